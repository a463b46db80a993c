#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

class QWidget;

// The browser engine behind the live preview pane, as the pane sees it. The engine lives in a
// module of its own that is loaded the first time the pane is shown: linking the web engine
// into the program would load it, and create its graphics context, at every start.
class PreviewEngine
{
public:
    virtual ~PreviewEngine() = default;

    // The view to put into the pane (owned by the engine).
    virtual QWidget* widget() = 0;
    // Shows `html` (UTF-8) as the page at `documentPath`: relative references resolve against
    // its folder; an empty path has no folder, so they show as missing. A render still running
    // is superseded. `scroll` is where the page is put once drawn.
    virtual void render(const QByteArray& html, const QString& documentPath, QPointF scroll) = 0;
    // Stops a render that is still running (its result would be stale).
    virtual void stop() = 0;
    virtual bool rendering() const = 0;
    virtual QPointF scrollPosition() const = 0;
    // Runs a script in the page's own world (result to `done`) or in a world the page's
    // scripts cannot see (`isolated`).
    virtual void runJavaScript(const QString& script, bool isolated,
                               const std::function<void(const QVariant&)>& done) = 0;

    // Reports, set by the pane.
    std::function<void(bool ok)> renderFinished;
    std::function<void(const QUrl& target)> linkClicked; // a web address or a file: URL
    std::function<void(const QString& why)> failed;      // the engine's page process ended
};

// The module's one entry point: makes the engine, or returns nullptr and says why.
using CreatePreviewEngine = PreviewEngine* (*)(QWidget* parent, QString* error);
inline constexpr char kCreatePreviewEngineSymbol[] = "vorlane_create_preview_engine";
