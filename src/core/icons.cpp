#include "core/icons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QResource>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOption>

#include <cerrno>
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

// The folder the drawings are kept in (`pictures`, inside the cache folder), opened: created
// 0700 and used only when it is a real folder of ours that nobody else can enter, so no other
// user can plant a name in it. -1 without one; drawings are then made every run.
int openDrawingFolder(const QString& cache, const QByteArray& pictures)
{
    QDir().mkpath(cache);
    ::mkdir(pictures.constData(), 0700);
    const int fd = ::open(pictures.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_uid == ::geteuid()) {
        // A folder an earlier version made with the usual mode is closed now.
        if ((info.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0)
            return fd;
    }
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// The drawing folder for the cache location in force, opened once and kept open: the window's
// two dozen pictures would otherwise each create, check and open it again at start-up. It is
// opened anew whenever the name no longer leads to the folder held: the folder removed or
// replaced, or another cache location (a test's or a child's own). Pictures are drawn on the
// GUI thread.
int drawingFolder()
{
    static int fd = -1;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        return -1;
    const QByteArray pictures = QFile::encodeName(cache + QStringLiteral("/pictures"));
    struct stat held;
    struct stat named;
    if (fd >= 0 && ::fstat(fd, &held) == 0 && ::lstat(pictures.constData(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        return fd;
    if (fd >= 0)
        ::close(fd);
    fd = openDrawingFolder(cache, pictures);
    return fd;
}

// The name a picture drawn at one size is kept under between runs, after a hash of the
// picture's own bytes (as the resource stores them, compressed or not: they change whenever
// the picture does) and the size, so a changed picture is never taken from an old drawing.
QByteArray drawingName(quint64 pictureHash, const QSize& pixels)
{
    return QStringLiteral("%1-%2x%3.argb")
        .arg(pictureHash, 16, 16, QLatin1Char('0'))
        .arg(pixels.width())
        .arg(pixels.height())
        .toLatin1();
}

// A kept drawing is its premultiplied pixels as they lie in memory: reading them back is one
// copy, where even a small PNG costs more to inflate than the SVG does to draw. Only a
// regular file of exactly that size is read; a link is not followed and a pipe cannot block.
QImage readDrawing(int folder, const QByteArray& name, const QSize& pixels)
{
    const qsizetype bytes = qsizetype(pixels.width()) * pixels.height() * 4;
    const int in = ::openat(folder, name.constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0)
        return QImage();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    struct stat info;
    bool whole = ::fstat(in, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == bytes &&
                 image.sizeInBytes() == bytes;
    for (qsizetype done = 0; whole && done < bytes;) {
        const ssize_t n = ::read(in, image.bits() + done, size_t(bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        whole = n > 0;
        done += n;
    }
    ::close(in);
    return whole ? image : QImage();
}

// Written as a new file renamed over the name, never through it: whatever sat there (a bad
// drawing, a link, a pipe) is replaced as a name.
void keepDrawing(int folder, const QByteArray& name, const QImage& drawn)
{
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qsizetype bytes = qsizetype(image.width()) * image.height() * 4;
    if (image.sizeInBytes() != bytes) // rows with padding: not kept
        return;
    const QByteArray temporary = name + ".new-" + QByteArray::number(::getpid());
    ::unlinkat(folder, temporary.constData(), 0);
    const int out = ::openat(folder, temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0)
        return;
    const char* data = reinterpret_cast<const char*>(image.constBits());
    bool written = true;
    for (qsizetype done = 0; written && done < bytes;) {
        const ssize_t n = ::write(out, data + done, size_t(bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n;
    }
    // A cache needs no sync: a drawing cut short by a crash is the wrong size and drawn anew.
    if (::close(out) != 0 || !written ||
        ::renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        ::unlinkat(folder, temporary.constData(), 0);
}

// The picture at exactly `pixels`, taken from an earlier run's drawing where there is one
// (which spares parsing and drawing the SVG, and loading the SVG reader at all: most of what the
// window's pictures cost at start-up). A missing or mis-sized drawing is drawn anew and kept; a
// cache that cannot be written only costs the next run the drawing.
QImage drawnPicture(const QString& file, quint64 pictureHash, const QSize& pixels)
{
    const int folder = drawingFolder();
    const QByteArray kept = folder >= 0 ? drawingName(pictureHash, pixels) : QByteArray();
    QImage image;
    if (!kept.isEmpty())
        image = readDrawing(folder, kept, pixels);
    if (image.isNull()) {
        QImageReader reader(file);
        reader.setScaledSize(pixels);
        image = reader.read();
        if (!kept.isEmpty() && !image.isNull())
            keepDrawing(folder, kept, image);
    }
    return image;
}

// Draws one of our SVG pictures at exactly the size asked for, the first time it is asked.
// Qt's own SVG icon engine parses every file once when the icon is made and again to draw
// it, which made the window's two dozen buttons a third of the program's start-up.
class PictureIconEngine : public QIconEngine
{
public:
    // `stored` is the picture's bytes where the resource holds them, for the program's life.
    PictureIconEngine(const QString& file, QByteArrayView stored) : file_(file), stored_(stored) {}

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
        // Taken over as it is: the drawing is already in the screen's premultiplied format.
        QPixmap picture =
            QPixmap::fromImage(drawnPicture(file_, pictureHash(), pixels), Qt::NoFormatConversion);
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
    QIconEngine* clone() const override { return new PictureIconEngine(file_, stored_); }
    QString key() const override { return QStringLiteral("VorlanePicture"); }
    bool isNull() override { return false; }

private:
    // Hashed when first drawn: a menu's pictures may never be.
    quint64 pictureHash()
    {
        if (!hashed_) {
            hash_ = stableHash(stored_);
            hashed_ = true;
        }
        return hash_;
    }

    QString file_;
    QByteArrayView stored_;
    quint64 hash_ = 0;
    bool hashed_ = false;
};

} // namespace

QIcon vorlaneIcon(const QString& name)
{
    initIconResources();
    // Always our own pictures: mixed with a desktop theme's they would look patched together.
    const QString file = QStringLiteral(":/icons/%1.svg").arg(name);
    const QResource source(file);
    if (!source.isValid())
        return QIcon();
    return QIcon(new PictureIconEngine(
        file, QByteArrayView(reinterpret_cast<const char*>(source.data()), source.size())));
}
