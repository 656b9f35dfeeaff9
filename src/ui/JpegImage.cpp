// JPEG decoding with libjpeg (see JpegImage.h).
//
// libjpeg reports errors through a callback that must not return; the default one ends the
// process. Ours jumps back with longjmp, so the function that calls setjmp keeps no object with a
// destructor alive across libjpeg calls, and every buffer libjpeg needs comes from its own
// memory pools, which jpeg_destroy_decompress frees on every path.
#include "JpegImage.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers

#include <jpeglib.h>

#include <jerror.h>

namespace caniparc::ui {
namespace {

constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg passes a pointer to it back to us
    std::jmp_buf jump;
};

[[noreturn]] void JumpOut(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings about damaged data mean libjpeg papered over it; the picture would come out garbled,
// so they count as errors. An unknown JFIF revision says nothing about the pixels.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code != JWRN_JFIF_MAJOR)
        JumpOut(info);
}

void IgnoreText(j_common_ptr) {}

// All input is in memory. Running out of it means the file was cut off; libjpeg's usual answer,
// a made-up end marker, would give a picture whose lower part is grey.
void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr info) {
    ERREXIT(info, JERR_INPUT_EOF);
    return FALSE;
}

void SkipInput(j_decompress_ptr info, long count) {
    jpeg_source_mgr* source = info->src;
    if (count <= 0)
        return;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer)
        ERREXIT(info, JERR_INPUT_EOF);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_source_mgr source{};
};

void InstallErrorManager(Decoder& decoder) {
    decoder.info.err = jpeg_std_error(&decoder.errors.pub);
    decoder.errors.pub.error_exit = JumpOut;
    decoder.errors.pub.emit_message = OnMessage;
    decoder.errors.pub.output_message = IgnoreText;
}

void AttachSource(Decoder& decoder, const QByteArray& bytes) {
    decoder.source.next_input_byte = reinterpret_cast<const JOCTET*>(bytes.constData());
    decoder.source.bytes_in_buffer = static_cast<size_t>(bytes.size());
    decoder.source.init_source = InitSource;
    decoder.source.fill_input_buffer = FillInput;
    decoder.source.skip_input_data = SkipInput;
    decoder.source.resync_to_restart = jpeg_resync_to_restart;
    decoder.source.term_source = TermSource;
    decoder.info.src = &decoder.source;
}

bool SizeAcceptable(JDIMENSION width, JDIMENSION height) {
    return width > 0 && height > 0 && width <= kMaxJpegSide && height <= kMaxJpegSide &&
           static_cast<qint64>(width) * height <= kMaxJpegPixels;
}

// Gray stays gray, four-channel pictures are converted by hand, everything else becomes RGB.
QImage::Format ChooseOutput(jpeg_decompress_struct& info) {
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        return QImage::Format_Grayscale8;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        return QImage::Format_RGB32;
    default:
        info.out_color_space = JCS_RGB;
        return QImage::Format_RGB888;
    }
}

// Adobe's programs store CMYK inverted (255 = no ink) and mark such files with their marker.
void CmykRowToRgb(const JSAMPLE* cmyk, QRgb* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        const int c = inverted ? cmyk[0] : 255 - cmyk[0];
        const int m = inverted ? cmyk[1] : 255 - cmyk[1];
        const int y = inverted ? cmyk[2] : 255 - cmyk[2];
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Reads the rows straight into the image; four-channel rows go through a row from libjpeg's pool.
bool ReadRows(jpeg_decompress_struct& info, QImage& image) {
    const bool cmyk = info.out_color_space == JCS_CMYK;
    JSAMPARRAY buffer =
        cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 4, 1)
             : nullptr;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW row = cmyk ? buffer[0] : image.scanLine(y);
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
        if (cmyk)
            CmykRowToRgb(row, reinterpret_cast<QRgb*>(image.scanLine(y)), info.output_width,
                         info.saw_Adobe_marker != 0);
    }
    return true;
}

// Holds no object with a destructor: an error anywhere below jumps straight back to setjmp.
bool Decode(Decoder& decoder, const QByteArray& bytes, QImage& image) {
    if (setjmp(decoder.errors.jump))
        return false;
    jpeg_create_decompress(&decoder.info);
    decoder.info.mem->max_memory_to_use = kMaxDecoderMemory;
    AttachSource(decoder, bytes);
    jpeg_read_header(&decoder.info, TRUE);
    const QImage::Format format = ChooseOutput(decoder.info);
    if (!SizeAcceptable(decoder.info.image_width, decoder.info.image_height))
        return false;
    jpeg_start_decompress(&decoder.info);
    image = QImage(static_cast<int>(decoder.info.output_width), static_cast<int>(decoder.info.output_height), format);
    if (image.isNull() || !ReadRows(decoder.info, image))
        return false;
    jpeg_finish_decompress(&decoder.info);
    return true;
}

} // namespace

QImage DecodeJpegBytes(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > kMaxFileBytes)
        return {};
    QImage image;
    Decoder decoder;
    InstallErrorManager(decoder);
    const bool decoded = Decode(decoder, bytes, image);
    jpeg_destroy_decompress(&decoder.info); // safe also when creation never happened: no pools yet
    return decoded ? image : QImage();
}

QImage DecodeJpegFile(const QString& path) {
    // Only regular files: a device or a pipe named like the logo could block or never end.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    return DecodeJpegBytes(bytes);
}

} // namespace caniparc::ui
