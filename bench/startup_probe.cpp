// Vorlane's own entry point, run unchanged, in a process that ends as soon as the main window
// has been shown and its start-up sequence has run. Used to time start-up and to read the
// peak memory of a running editor with a page open. At that moment it prints
// "ready <CLOCK_MONOTONIC nanoseconds>" on standard output.
#include "app/main_form.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include "probe_ready.h"

namespace {

class StartupWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* form = qobject_cast<TMainForm*>(watched)) {
                qApp->removeEventFilter(this);
                quitWhenStarted(form);
            }
        }
        return false;
    }

private:
    // The start-up sequence is queued by the first show; one more turn of the event loop
    // after it lets the window paint what it now holds.
    static void quitWhenStarted(TMainForm* form)
    {
        QTimer::singleShot(0, form, [form] {
            if (form->startupDone())
                QTimer::singleShot(0, qApp, &reportReady);
            else
                quitWhenStarted(form);
        });
    }
};

void installWatcher()
{
    qApp->installEventFilter(new StartupWatcher(qApp));
    // A start-up that never finishes must not hang the benchmark.
    QTimer::singleShot(120000, qApp, [] { std::_Exit(3); });
}
Q_COREAPP_STARTUP_FUNCTION(installWatcher)

} // namespace

#define main vorlaneMain
#include "main.cpp"
#undef main

int main(int argc, char* argv[])
{
    return vorlaneMain(argc, argv);
}
