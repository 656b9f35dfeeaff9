// Decodes a JPEG picture (the title logo) with libjpeg directly. Whatever the input, the result
// is either the whole picture or an empty image: a missing, cut-off, damaged or absurdly large
// file never ends the program and never shows half a picture.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace caniparc::ui {

// Larger pictures are refused before any pixel memory is taken; a logo is a few hundred pixels.
inline constexpr int kMaxJpegSide = 10000;
inline constexpr qint64 kMaxJpegPixels = 40'000'000;

// Grayscale pictures come back as Format_Grayscale8, colour ones (also CMYK) as RGB.
QImage DecodeJpegBytes(const QByteArray& bytes);

// Empty when the file cannot be read or is no usable JPEG.
QImage DecodeJpegFile(const QString& path);

} // namespace caniparc::ui
