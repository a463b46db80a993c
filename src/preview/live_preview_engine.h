#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

class QIODevice;
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
    // its folder and are read through `openFile`; an untitled page (empty path) gets nothing but
    // itself. A render still running is superseded. `scroll` is where the page is put once drawn.
    virtual void render(const QByteArray& html, const QString& documentPath, QPointF scroll) = 0;
    // Changes the shown page in place: `script` runs in a world the page's scripts cannot
    // see and answers true when it changed the page as asked; the page is then served as
    // `html` should it ask for itself again. The scroll position stays.
    virtual void patch(const QByteArray& html, const QString& script,
                       const std::function<void(bool ok)>& done) = 0;
    // Stops a render that is still running (its result would be stale).
    virtual void stop() = 0;
    virtual bool rendering() const = 0;
    virtual QPointF scrollPosition() const = 0;
    // The engine's process drawing the page; 0 while there is none.
    virtual qint64 pageProcess() const = 0;
    // Whether the page's own scripts run (ours always do, in their own world).
    virtual void setScriptsEnabled(bool on) = 0;
    // Runs a script in the page's own world (result to `done`) or in a world the page's
    // scripts cannot see (`isolated`).
    virtual void runJavaScript(const QString& script, bool isolated,
                               const std::function<void(const QVariant&)>& done) = 0;

    // Set by the pane: opens the file at `path` (an absolute path a titled page asked for as a
    // picture, style sheet, script, font or media), or returns nullptr to refuse it. The engine
    // owns what it gets.
    std::function<QIODevice*(const QString& path)> openFile;
    // Reports, set by the pane.
    std::function<void(bool ok)> renderFinished;
    // The user clicked a link (never a script): a web address or a file: URL.
    std::function<void(const QUrl& target)> linkClicked;
    std::function<void(const QString& why)> failed; // the engine's page process ended
};

// The module's one entry point: makes the engine, or returns nullptr and says why.
using CreatePreviewEngine = PreviewEngine* (*)(QWidget* parent, QString* error);
inline constexpr char kCreatePreviewEngineSymbol[] = "vorlane_create_preview_engine";
