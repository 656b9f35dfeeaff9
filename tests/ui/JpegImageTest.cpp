// Decoding the logo: pictures from libjpeg's own compressor come back with size and colours, and
// every broken input (cut off, damaged, not a JPEG, too large, missing) gives an empty image.
#include "JpegImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include <jpeglib.h>

using namespace caniparc::ui;

namespace {

using PixelSource = std::function<std::vector<JSAMPLE>(int x, int y)>;

struct Picture {
    int width = 0;
    int height = 0;
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    bool progressive = false;
};

QByteArray Encode(const Picture& picture, const PixelSource& pixel) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = picture.components;
    info.in_color_space = picture.space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (picture.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(picture.width * picture.components));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::vector<JSAMPLE> value = pixel(x, y);
            std::copy(value.begin(), value.end(), row.begin() + x * picture.components);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(output), static_cast<qsizetype>(size));
    std::free(output);
    return bytes;
}

// 32 x 16, red on the left half and blue on the right: whole 16-pixel blocks, so the colours
// survive compression without bleeding into each other.
QByteArray RedBlue(bool progressive = false) {
    return Encode({32, 16, JCS_RGB, 3, progressive}, [](int x, int) {
        return x < 16 ? std::vector<JSAMPLE>{230, 20, 20} : std::vector<JSAMPLE>{20, 20, 230};
    });
}

bool Near(const QColor& color, int red, int green, int blue) {
    return std::abs(color.red() - red) <= 8 && std::abs(color.green() - green) <= 8 &&
           std::abs(color.blue() - blue) <= 8;
}

} // namespace

class JpegImageTest : public QObject {
    Q_OBJECT
private slots:
    void picturesFromTheCompressor_comeBackWithSizeAndColours() {
        for (bool progressive : {false, true}) {
            const QImage image = DecodeJpegBytes(RedBlue(progressive));
            QCOMPARE(image.size(), QSize(32, 16));
            QVERIFY2(Near(image.pixelColor(3, 8), 230, 20, 20), qPrintable(image.pixelColor(3, 8).name()));
            QVERIFY2(Near(image.pixelColor(28, 8), 20, 20, 230), qPrintable(image.pixelColor(28, 8).name()));
        }
        const QImage gray = DecodeJpegBytes(Encode(
            {16, 32, JCS_GRAYSCALE, 1}, [](int, int y) { return std::vector<JSAMPLE>{JSAMPLE(y < 16 ? 30 : 220)}; }));
        QCOMPARE(gray.format(), QImage::Format_Grayscale8);
        QVERIFY(Near(gray.pixelColor(8, 4), 30, 30, 30) && Near(gray.pixelColor(8, 28), 220, 220, 220));
        // libjpeg marks CMYK files as Adobe's, whose channels are stored inverted (255 = no ink):
        // full magenta and yellow ink with no cyan and no black is red.
        const QImage cmyk = DecodeJpegBytes(Encode({16, 16, JCS_CMYK, 4}, [](int, int) {
            return std::vector<JSAMPLE>{255, 0, 0, 255};
        }));
        QVERIFY2(Near(cmyk.pixelColor(8, 8), 255, 0, 0), qPrintable(cmyk.pixelColor(8, 8).name()));
    }

    void cutOffOrDamaged_givesEmptyImageNeverAWrongOne() {
        for (bool progressive : {false, true}) {
            const QByteArray whole = RedBlue(progressive);
            for (qsizetype length = 0; length < whole.size(); ++length)
                QVERIFY2(DecodeJpegBytes(whole.left(length)).isNull(), qPrintable(QString::number(length)));
            for (qsizetype at = 0; at < whole.size(); ++at) {
                QByteArray damaged = whole;
                damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
                const QImage image = DecodeJpegBytes(damaged);
                QVERIFY(image.isNull() || image.size() == QSize(32, 16));
            }
        }
        // Cut off inside the picture data but still ending in an end marker: libjpeg would only
        // warn and fill the missing rows with grey.
        const QByteArray whole = RedBlue();
        const qsizetype middle = (whole.indexOf("\xFF\xDA") + whole.size()) / 2;
        QVERIFY(DecodeJpegBytes(whole.left(middle) + QByteArray("\xFF\xD9")).isNull());
    }

    void notAJpegOrTooLarge_givesEmptyImage() {
        std::mt19937 random(7);
        QByteArray noise(4096, '\0');
        for (char& byte : noise)
            byte = static_cast<char>(random());
        QVERIFY(DecodeJpegBytes(noise).isNull());
        QVERIFY(DecodeJpegBytes(QByteArray("\xFF\xD8\xFF") + noise).isNull());
        QVERIFY(DecodeJpegBytes(QByteArray()).isNull());

        const auto gray = [](int, int) { return std::vector<JSAMPLE>{128}; };
        QCOMPARE(DecodeJpegBytes(Encode({kMaxJpegSide, 8, JCS_GRAYSCALE, 1}, gray)).width(), kMaxJpegSide);
        QVERIFY(DecodeJpegBytes(Encode({kMaxJpegSide + 1, 8, JCS_GRAYSCALE, 1}, gray)).isNull());
        QVERIFY(DecodeJpegBytes(Encode({8, kMaxJpegSide + 1, JCS_GRAYSCALE, 1}, gray)).isNull());
        QByteArray absurd = RedBlue();
        const qsizetype frame = absurd.indexOf("\xFF\xC0");
        absurd[frame + 5] = absurd[frame + 7] = '\xFF'; // declares about 65 000 x 65 000
        QVERIFY(DecodeJpegBytes(absurd).isNull());
    }

    void files_onlyAGoodOneDecodes() {
        QTemporaryDir folder;
        QFile file(folder.filePath("logo.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(RedBlue()) > 0);
        file.close();
        QCOMPARE(DecodeJpegFile(file.fileName()).size(), QSize(32, 16));
        QVERIFY(DecodeJpegFile(folder.filePath("missing.jpg")).isNull());
        QVERIFY(DecodeJpegFile(folder.path()).isNull());
    }
};

QTEST_GUILESS_MAIN(JpegImageTest)
#include "JpegImageTest.moc"
