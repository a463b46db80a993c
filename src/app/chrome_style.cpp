#include "app/chrome_style.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>

#include <functional>
#include <optional>

namespace {

// An icon that asks for the real one the first time it is looked at.
class DeferredIconEngine : public QIconEngine
{
public:
    explicit DeferredIconEngine(std::function<QIcon()> load) : load_(std::move(load)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override
    {
        auto* copy = new DeferredIconEngine(load_);
        copy->icon_ = icon_;
        return copy;
    }

private:
    const QIcon& icon()
    {
        if (!icon_) {
            icon_ = load_();
            load_ = nullptr;
        }
        return *icon_;
    }

    std::function<QIcon()> load_;
    std::optional<QIcon> icon_;
};

} // namespace

QIcon ChromeStyle::standardIcon(StandardPixmap picture, const QStyleOption* option,
                                const QWidget* widget) const
{
    if (picture != SP_ToolBarHorizontalExtensionButton &&
        picture != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(picture, option, widget);
    // Neither the option nor the widget is kept: the overflow pictures depend on neither.
    // The style may be replaced before the picture is drawn; then the one in use draws it.
    const QPointer<QStyle> style(const_cast<ChromeStyle*>(this));
    return QIcon(new DeferredIconEngine([style, picture] {
        if (const auto* chrome = dynamic_cast<const ChromeStyle*>(style.data()))
            return chrome->QProxyStyle::standardIcon(picture);
        return QApplication::style()->standardIcon(picture);
    }));
}
