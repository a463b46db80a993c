#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The platform's side of a notification-area icon: show it, change it, take it away, and
// report mouse actions on it. Tests replace it by a fake that records the calls.
class TrayIconPlatform : public QObject
{
    Q_OBJECT
public:
    enum class MouseAction { LeftClick, DoubleClick, RightClick, Other };

    using QObject::QObject;
    // False on desktops without a notification area.
    virtual bool available() const = 0;
    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void modify(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;

Q_SIGNALS:
    // screenPos: the mouse pointer's position on the screen when the action happened.
    void mouseAction(TrayIconPlatform::MouseAction action, const QPoint& screenPos);
};

// QSystemTrayIcon behind the platform interface. Where the desktop has no notification area,
// nothing is shown.
class QtTrayIconPlatform : public TrayIconPlatform
{
    Q_OBJECT
public:
    explicit QtTrayIconPlatform(QObject* parent = nullptr);
    ~QtTrayIconPlatform() override;
    bool available() const override;
    void add(const QIcon& icon, const QString& tip) override;
    void modify(const QIcon& icon, const QString& tip) override;
    void remove() override;

private:
    QSystemTrayIcon* icon_ = nullptr;
};

// A notification-area icon with a tooltip, shown while Active, turning mouse actions on the
// icon into signals.
class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    static constexpr int kToolTipLength = 62;

    explicit TTrayIcon(QObject* owner = nullptr);
    ~TTrayIcon() override; // removes an active icon first

    bool Active() const { return active_; }
    void SetActive(bool active);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    const QString& ToolTip() const { return toolTip_; }
    void SetToolTip(const QString& tip); // keeps the first 62 characters

    // Replaces the platform side; an active icon moves over to the new one.
    void setPlatform(std::unique_ptr<TrayIconPlatform> platform);
    TrayIconPlatform* platform() const { return platform_.get(); }
    // True when the icon can really be seen (the desktop has a notification area).
    bool canShow() const { return platform_->available(); }

Q_SIGNALS:
    void OnClick();
    void OnDblClick();
    void OnRightClick(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint& screenPos);

private:
    void handleMouse(TrayIconPlatform::MouseAction action, const QPoint& screenPos);
    void connectPlatform();

    std::unique_ptr<TrayIconPlatform> platform_;
    bool active_ = false;
    QIcon icon_;
    QString toolTip_;
};
