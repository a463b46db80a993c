#include "core/icons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QResource>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOption>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Our pictures live in a static library, so the resource is pulled in by hand (and outside
// any namespace, as the macro requires).
static void initIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

// FNV-1a: the same in every run (qHash is seeded anew per process), and quick on a few KB.
quint64 stableHash(QByteArrayView bytes)
{
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= uchar(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// Where a picture drawn at one size is kept between runs, named after the picture's own bytes
// and the size, so a changed picture is never taken from an old drawing. Empty without a cache
// folder. The bytes are hashed where the resource holds them (64 bits is plenty to tell a few
// dozen pictures apart): this runs for every button at start-up.
QString drawingFile(const QString& file, const QSize& pixels)
{
    static const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QResource source(file);
    if (folder.isEmpty() || !source.isValid())
        return QString();
    // The bytes as stored, compressed or not: they change whenever the picture does.
    const quint64 hash =
        stableHash(QByteArrayView(reinterpret_cast<const char*>(source.data()), source.size()));
    return folder + QStringLiteral("/pictures/") +
           QStringLiteral("%1-%2x%3.argb")
               .arg(hash, 16, 16, QLatin1Char('0'))
               .arg(pixels.width())
               .arg(pixels.height());
}

// A kept drawing is its premultiplied pixels as they lie in memory: reading them back is one
// copy, where even a small PNG costs more to inflate than the SVG does to draw.
QImage readDrawing(const QString& path, const QSize& pixels)
{
    const qsizetype bytes = qsizetype(pixels.width()) * pixels.height() * 4;
    const int in = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return QImage();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    struct stat info;
    const bool whole = ::fstat(in, &info) == 0 && info.st_size == bytes &&
                       image.sizeInBytes() == bytes &&
                       ::read(in, image.bits(), size_t(bytes)) == ssize_t(bytes);
    ::close(in);
    return whole ? image : QImage();
}

void keepDrawing(const QString& path, const QImage& drawn)
{
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qsizetype bytes = qsizetype(image.width()) * image.height() * 4;
    if (image.sizeInBytes() != bytes) // rows with padding: not kept
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) &&
        out.write(reinterpret_cast<const char*>(image.constBits()), bytes) == bytes)
        out.commit();
}

// The picture at exactly `pixels`, taken from an earlier run's drawing where there is one
// (which spares parsing and drawing the SVG, and loading the SVG reader at all: most of what the
// window's pictures cost at start-up). A missing or mis-sized drawing is drawn anew and kept; a
// cache that cannot be written only costs the next run the drawing.
QImage drawnPicture(const QString& file, const QSize& pixels)
{
    const QString kept = drawingFile(file, pixels);
    if (!kept.isEmpty()) {
        const QImage image = readDrawing(kept, pixels);
        if (!image.isNull())
            return image;
    }
    QImageReader reader(file);
    reader.setScaledSize(pixels);
    const QImage image = reader.read();
    if (!kept.isEmpty() && !image.isNull())
        keepDrawing(kept, image);
    return image;
}

// Draws one of our SVG pictures at exactly the size asked for, the first time it is asked.
// Qt's own SVG icon engine parses every file once when the icon is made and again to draw
// it, which made the window's two dozen buttons a third of the program's start-up.
class PictureIconEngine : public QIconEngine
{
public:
    explicit PictureIconEngine(const QString& file) : file_(file) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = scaledPixmap(rect.size(), mode, state, ratio);
        painter->drawPixmap(rect, picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const QSize pixels = size * scale;
        // Drawn once per program, whichever icon asks: every window shares the pictures (and a
        // process forked by the tests never needs the painter's thread pool it cannot have).
        const QString key = QStringLiteral("vorlane:") + file_ + QLatin1Char(':') +
                            QString::number(pixels.width()) + QLatin1Char('x') +
                            QString::number(pixels.height()) + QLatin1Char(':') +
                            QString::number(int(mode));
        QPixmap cached;
        if (QPixmapCache::find(key, &cached))
            return cached;
        QPixmap picture = QPixmap::fromImage(drawnPicture(file_, pixels));
        if (!picture.isNull() && mode != QIcon::Normal && mode != QIcon::Active && qApp) {
            QStyleOption option;
            option.palette = QApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        picture.setDevicePixelRatio(scale);
        QPixmapCache::insert(key, picture);
        return picture;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PictureIconEngine(file_); }
    QString key() const override { return QStringLiteral("VorlanePicture"); }
    bool isNull() override { return false; }

private:
    QString file_;
};

} // namespace

QIcon vorlaneIcon(const QString& name)
{
    initIconResources();
    // Always our own pictures: mixed with a desktop theme's they would look patched together.
    const QString file = QStringLiteral(":/icons/%1.svg").arg(name);
    if (!QResource(file).isValid())
        return QIcon();
    return QIcon(new PictureIconEngine(file));
}
