#include "app/tray_icon.h"

#include <QCursor>
#include <QSystemTrayIcon>
#include <QWidget>

QtTrayIconPlatform::QtTrayIconPlatform(QObject* parent) : TrayIconPlatform(parent)
{
    icon_ = new QSystemTrayIcon(this);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                MouseAction action = MouseAction::Other;
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    action = MouseAction::LeftClick;
                    break;
                case QSystemTrayIcon::DoubleClick:
                    action = MouseAction::DoubleClick;
                    break;
                case QSystemTrayIcon::Context:
                    action = MouseAction::RightClick;
                    break;
                default:
                    break;
                }
                Q_EMIT mouseAction(action, QCursor::pos());
            });
}

QtTrayIconPlatform::~QtTrayIconPlatform() = default;

bool QtTrayIconPlatform::available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIconPlatform::add(const QIcon& icon, const QString& tip)
{
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    if (available())
        icon_->show();
}

void QtTrayIconPlatform::modify(const QIcon& icon, const QString& tip)
{
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
}

void QtTrayIconPlatform::remove()
{
    icon_->hide();
}

TTrayIcon::TTrayIcon(QObject* owner)
    : QObject(owner), platform_(std::make_unique<QtTrayIconPlatform>())
{
    connectPlatform();
}

TTrayIcon::~TTrayIcon()
{
    if (active_)
        platform_->remove();
}

void TTrayIcon::connectPlatform()
{
    connect(platform_.get(), &TrayIconPlatform::mouseAction, this, &TTrayIcon::handleMouse);
}

void TTrayIcon::setPlatform(std::unique_ptr<TrayIconPlatform> platform)
{
    if (active_)
        platform_->remove();
    platform_ = std::move(platform);
    connectPlatform();
    if (active_)
        platform_->add(icon_, toolTip_);
}

void TTrayIcon::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    if (active_)
        platform_->add(icon_, toolTip_);
    else
        platform_->remove();
}

void TTrayIcon::SetIcon(const QIcon& icon)
{
    if (&icon != &icon_)
        icon_ = icon;
    if (active_)
        platform_->modify(icon_, toolTip_);
}

void TTrayIcon::SetToolTip(const QString& tip)
{
    toolTip_ = tip.left(kToolTipLength);
    if (active_)
        platform_->modify(icon_, toolTip_);
}

void TTrayIcon::handleMouse(TrayIconPlatform::MouseAction action, const QPoint& screenPos)
{
    switch (action) {
    case TrayIconPlatform::MouseAction::LeftClick:
        Q_EMIT OnClick();
        break;
    case TrayIconPlatform::MouseAction::DoubleClick:
        Q_EMIT OnDblClick();
        break;
    case TrayIconPlatform::MouseAction::RightClick:
        Q_EMIT OnRightClick(Qt::RightButton, Qt::NoModifier, screenPos);
        break;
    case TrayIconPlatform::MouseAction::Other:
        break;
    }
}
