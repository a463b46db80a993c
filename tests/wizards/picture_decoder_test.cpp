#include "core/app_error.h"
#include "support/test_main.h"
#include "wizards/picture_decoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cstdio>
#include <jpeglib.h>

namespace {
QByteArray encoded(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode %s", format);
    return bytes;
}

QImage solid(int w, int h, QColor color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(color);
    return image;
}

void putLe(QByteArray& b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A classic icon file: one 32-bit bitmap entry with its AND mask.
QByteArray icoFile(int w, int h, QRgb color)
{
    const int maskRow = ((w + 31) / 32) * 4;
    const quint32 imageSize = quint32(40 + w * h * 4 + maskRow * h);
    QByteArray b;
    putLe(b, 0, 2);
    putLe(b, 1, 2);
    putLe(b, 1, 2);
    b.append(char(w)).append(char(h)).append(char(0)).append(char(0));
    putLe(b, 1, 2);
    putLe(b, 32, 2);
    putLe(b, imageSize, 4);
    putLe(b, 22, 4);
    putLe(b, 40, 4);
    putLe(b, quint32(w), 4);
    putLe(b, quint32(2 * h), 4);
    putLe(b, 1, 2);
    putLe(b, 32, 2);
    putLe(b, 0, 4);
    putLe(b, quint32(w * h * 4 + maskRow * h), 4);
    putLe(b, 0, 4);
    putLe(b, 0, 4);
    putLe(b, 0, 4);
    putLe(b, 0, 4);
    for (int i = 0; i < w * h; ++i)
        putLe(b, color | 0xFF000000u, 4); // BGRA in little-endian order
    b.append(QByteArray(maskRow * h, '\0'));
    return b;
}

const QByteArray kGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                      "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                      "\x02\x02\x44\x01\x00;",
                      43);

// A one-colour JPEG straight from libjpeg, written row by row (Qt cannot write CMYK, and a
// huge picture need not sit in memory first).
QByteArray libjpegFile(int w, int h, J_COLOR_SPACE space, QByteArrayView pixel, bool adobe)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = int(pixel.size());
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, space);
    c.write_Adobe_marker = adobe;
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    QByteArray row;
    for (int x = 0; x < w; ++x)
        row.append(pixel);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    free(out);
    return bytes;
}

// A CMYK JPEG as Adobe or others store it.
QByteArray cmykJpeg(int w, int h, const uchar cmyk[4], bool adobe)
{
    return libjpegFile(w, h, JCS_CMYK, QByteArrayView(cmyk, 4), adobe);
}

// Rewrites the size in the frame header, leaving the coded data as it was.
QByteArray withFrameSize(QByteArray jpeg, int w, int h)
{
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        qFatal("no frame header");
    jpeg[sof + 5] = char(h >> 8);
    jpeg[sof + 6] = char(h & 0xFF);
    jpeg[sof + 7] = char(w >> 8);
    jpeg[sof + 8] = char(w & 0xFF);
    return jpeg;
}

bool near(QRgb a, QColor b, int tolerance = 12)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}
} // namespace

class PictureDecoderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void kindByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        const int jpeg = int(PictureKind::Jpeg), bmp = int(PictureKind::Bitmap),
                  ico = int(PictureKind::Icon), none = int(PictureKind::Unreadable);
        QTest::newRow("jpg") << "/p/a.jpg" << jpeg;
        QTest::newRow("JPG") << "/p/photo.JPG" << jpeg;
        QTest::newRow("jpeg mixed case") << "a.JpEg" << jpeg;
        QTest::newRow("bmp") << "/p/a.BMP" << bmp;
        QTest::newRow("ico") << "x.Ico" << ico;
        QTest::newRow("gif") << "a.gif" << none;
        QTest::newRow("png") << "a.png" << none;
        QTest::newRow("wmf") << "a.wmf" << none;
        QTest::newRow("emf") << "a.EMF" << none;
        QTest::newRow("no extension") << "/p.jpg/file" << none;
        QTest::newRow("last extension counts") << "a.jpg.gif" << none;
    }
    void kindByExtension()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QCOMPARE(int(pictureKindForName(name)), kind);
    }

    void readablePictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QColor>("color");
        const QColor red(200, 30, 40);
        QTest::newRow("jpeg") << encoded(solid(37, 21, red), "jpg") << int(PictureKind::Jpeg) << 37
                              << 21 << red;
        QTest::newRow("progressive jpeg")
            << encoded(solid(64, 9, red), "jpg", true) << int(PictureKind::Jpeg) << 64 << 9 << red;
        QTest::newRow("grayscale jpeg")
            << encoded(solid(8, 30, QColor(90, 90, 90), QImage::Format_Grayscale8), "jpg")
            << int(PictureKind::Jpeg) << 8 << 30 << QColor(90, 90, 90);
        const uchar cyanInk[4] = {255, 0, 0, 0};
        QTest::newRow("cmyk jpeg") << cmykJpeg(10, 6, cyanInk, false) << int(PictureKind::Jpeg)
                                   << 10 << 6 << QColor(0, 255, 255);
        const uchar cyanInverted[4] = {0, 255, 255, 255};
        QTest::newRow("adobe cmyk jpeg")
            << cmykJpeg(10, 6, cyanInverted, true) << int(PictureKind::Jpeg) << 10 << 6
            << QColor(0, 255, 255);
        QTest::newRow("bmp") << encoded(solid(33, 7, red), "bmp") << int(PictureKind::Bitmap) << 33
                             << 7 << red;
        QTest::newRow("ico") << icoFile(24, 16, qRgb(10, 20, 250)) << int(PictureKind::Icon) << 24
                             << 16 << QColor(10, 20, 250);
    }
    void readablePictures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QColor, color);
        const DecodedPicture p = decodePicture(bytes, PictureKind(kind));
        QVERIFY(p.ok());
        QCOMPARE(p.width, width);
        QCOMPARE(p.height, height);
        QCOMPARE(p.image.size(), QSize(width, height));
        const QRgb centre = p.image.pixel(width / 2, height / 2);
        QVERIFY2(near(centre, color), qPrintable(QColor(centre).name()));
    }

    void unreadablePictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        const QByteArray jpeg = encoded(solid(40, 30, Qt::green), "jpg");
        QTest::newRow("empty") << QByteArray() << int(PictureKind::Jpeg);
        QTest::newRow("garbage") << QByteArray("not a picture at all") << int(PictureKind::Jpeg);
        QTest::newRow("jpeg cut in the data")
            << jpeg.left(jpeg.size() * 2 / 3) << int(PictureKind::Jpeg);
        QTest::newRow("jpeg cut in the header") << jpeg.left(40) << int(PictureKind::Jpeg);
        QTest::newRow("gif content as jpeg") << kGif << int(PictureKind::Jpeg);
        QTest::newRow("jpeg content as bmp") << jpeg << int(PictureKind::Bitmap);
        QTest::newRow("png content as ico")
            << encoded(solid(4, 4, Qt::red), "png") << int(PictureKind::Icon);
        QTest::newRow("gif") << kGif << int(PictureKind::Unreadable);
        QTest::newRow("huge frame size")
            << withFrameSize(jpeg, 60000, 60000) << int(PictureKind::Jpeg);
        QTest::newRow("zero height") << withFrameSize(jpeg, 40, 0) << int(PictureKind::Jpeg);
    }
    void unreadablePictures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        const DecodedPicture p = decodePicture(bytes, PictureKind(kind));
        QVERIFY(!p.ok());
    }

    // Cut short in its data a JPEG gives no preview, yet its size once the header is whole;
    // missing only its end marker it is drawn.
    void truncatedJpegs_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::newRow("baseline") << false;
        QTest::newRow("progressive") << true;
    }
    void truncatedJpegs()
    {
        QFETCH(bool, progressive);
        const QByteArray jpeg = encoded(solid(30, 20, Qt::blue), "jpg", progressive);
        bool headerRead = false;
        for (qsizetype n = 0; n < jpeg.size() - 2; ++n) {
            const DecodedPicture p = decodePicture(jpeg.left(n), PictureKind::Jpeg);
            // A progressive file cut between two scans is a coarser, whole picture.
            if (!progressive)
                QVERIFY2(!p.ok(), qPrintable(QString::number(n)));
            QVERIFY2(p.hasSize() || !headerRead, qPrintable(QString::number(n)));
            if (p.hasSize()) {
                headerRead = true;
                QCOMPARE(QSize(p.width, p.height), QSize(30, 20));
            }
        }
        QVERIFY(headerRead);
        for (qsizetype n : {jpeg.size() - 2, jpeg.size() - 1, jpeg.size()}) {
            const DecodedPicture p = decodePicture(jpeg.left(n), PictureKind::Jpeg);
            QVERIFY2(p.ok(), qPrintable(QString::number(n)));
            QCOMPARE(p.image.pixelColor(15, 10).blue() > 200, true);
        }
    }

    void damagedBytesNeverCrash()
    {
        QRandomGenerator random(4711);
        const QByteArray jpeg = encoded(solid(48, 32, Qt::yellow), "jpg", true);
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes = jpeg;
            for (int i = 0; i < 4; ++i)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            const DecodedPicture p = decodePicture(bytes, PictureKind::Jpeg);
            if (p.ok())
                QVERIFY(p.width > 0 && p.height > 0 && !p.image.isNull());
        }
    }

    void largeJpegKeepsItsOwnSize()
    {
        const DecodedPicture p =
            decodePicture(encoded(solid(2100, 1100, Qt::red), "jpg"), PictureKind::Jpeg);
        QVERIFY(p.ok());
        QCOMPARE(p.width, 2100);
        QCOMPARE(p.height, 1100);
        QVERIFY(p.image.width() <= 2100 && p.image.height() <= 1100);
        QVERIFY(p.image.width() >= 512 && p.image.height() >= 512);
    }

    // The memory cap applies to what is decoded: a huge picture is previewed at 1/8 scale.
    void hugeJpegIsPreviewedSmall()
    {
        const uchar grey = 0x60;
        const DecodedPicture p =
            decodePicture(libjpegFile(10000, 10000, JCS_GRAYSCALE, QByteArrayView(&grey, 1), false),
                          PictureKind::Jpeg);
        QVERIFY(p.ok());
        QCOMPARE(QSize(p.width, p.height), QSize(10000, 10000));
        QCOMPARE(p.image.size(), QSize(1250, 1250));
    }

    void filesByExtension()
    {
        QTemporaryDir dir;
        const QString jpg = writeFile(dir.filePath(QStringLiteral("Photo.JPG")),
                                      encoded(solid(12, 5, Qt::red), "jpg"));
        const DecodedPicture p = decodePictureFile(jpg);
        QVERIFY(p.ok());
        QCOMPARE(QSize(p.width, p.height), QSize(12, 5));
        // A GIF is never opened, so even a missing one is no error.
        QVERIFY(!decodePictureFile(writeFile(dir.filePath(QStringLiteral("a.gif")), kGif)).ok());
        QVERIFY(!decodePictureFile(dir.filePath(QStringLiteral("missing.gif"))).ok());
        try {
            decodePictureFile(dir.filePath(QStringLiteral("gone.jpg")));
            QFAIL("no error");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("Cannot open file ") + dir.filePath("gone.jpg"));
        }
        // A JPEG saved under a bitmap's name is no bitmap.
        QVERIFY(!decodePictureFile(writeFile(dir.filePath(QStringLiteral("b.bmp")),
                                             encoded(solid(3, 3, Qt::red), "jpg")))
                     .ok());
    }
};

VORLANE_TEST_MAIN(PictureDecoderTest)
#include "picture_decoder_test.moc"
