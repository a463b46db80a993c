// Build-time helper: draws an SVG picture as a square PNG of the given size, through Qt's own
// SVG image reader, so the desktop's icon theme gets the program's icon at every size.
//   vorlane_icon_png INPUT.svg SIZE OUTPUT.png
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s INPUT.svg SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv); // no window system: the picture has no text
    const int size = QByteArray(argv[2]).toInt();
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull() || size <= 0) {
        std::fprintf(stderr, "%s: cannot draw %s at %s pixels: %s\n", argv[0], argv[1], argv[2],
                     qPrintable(reader.errorString()));
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32)
             .save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
