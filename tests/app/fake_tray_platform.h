#pragma once

#include "app/tray_icon.h"

#include <memory>

// What the fake notification area saw.
struct TrayLog
{
    int adds = 0;
    int modifies = 0;
    int removes = 0;
    bool shown = false;
    QString tip;
};

// Stands in for the desktop's notification area; `available` decides whether one exists.
class FakeTrayPlatform : public TrayIconPlatform
{
public:
    explicit FakeTrayPlatform(std::shared_ptr<TrayLog> log, bool available = true)
        : log_(std::move(log)), available_(available)
    {
    }
    bool available() const override { return available_; }
    void add(const QIcon&, const QString& tip) override
    {
        ++log_->adds;
        log_->shown = true;
        log_->tip = tip;
    }
    void modify(const QIcon&, const QString& tip) override
    {
        ++log_->modifies;
        log_->tip = tip;
    }
    void remove() override
    {
        ++log_->removes;
        log_->shown = false;
    }
    void press(MouseAction action, QPoint at = QPoint(40, 30)) { Q_EMIT mouseAction(action, at); }

private:
    std::shared_ptr<TrayLog> log_;
    bool available_;
};
