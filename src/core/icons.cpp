#include "core/icons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPixmapCache>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

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
        const QString key = QStringLiteral("vorlane:%1:%2x%3:%4")
                                .arg(file_)
                                .arg(pixels.width())
                                .arg(pixels.height())
                                .arg(int(mode));
        QPixmap cached;
        if (QPixmapCache::find(key, &cached))
            return cached;
        QImageReader reader(file_);
        reader.setScaledSize(pixels);
        QPixmap picture = QPixmap::fromImage(reader.read());
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
    if (!QFile::exists(file))
        return QIcon();
    return QIcon(new PictureIconEngine(file));
}
