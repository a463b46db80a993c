#pragma once

#include "preview/page_outline.h"

#include <QByteArrayView>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLibrary;
class QStackedLayout;
class PreviewEngine;
class TMarginRichEdit;
struct TextRuns;

// The element a source line stands for: the last start tag that begins before the line ends,
// as the tag name (lower case) and how many elements of that name come before it.
struct NearestElement
{
    QByteArray tag; // empty: no element before the line
    int index = 0;
};
NearestElement nearestElementBefore(const TextRuns& text, qsizetype end);

// The live preview pane: the page as a browser engine draws it, beside the editor, following
// each edit once typing pauses. The engine is made the first time the pane is shown.
class TLivePreviewPane : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRenderDelayMs = 250;

    TLivePreviewPane(TMarginRichEdit* editor, QWidget* parent = nullptr);
    ~TLivePreviewPane() override;

    // The page's path, or empty for an untitled page.
    void setDocumentPath(const QString& path);
    // Where the site folder comes from (the window knows the site the user chose); without
    // one, the site-folder rule for the page alone.
    void setSiteFolderSource(std::function<QString()> source) { siteSource_ = std::move(source); }
    void setFollowCaret(bool on);
    // Whether the page's own scripts run; the page is drawn again.
    void setRunsScripts(bool on);

    bool engineCreated() const { return engine_ != nullptr; }
    // The engine's process drawing the page, 0 while there is none (for tests and benchmarks).
    qint64 pageProcess() const;
    // The message shown instead of the page when the engine cannot run; empty otherwise.
    QString failure() const;
    // For tests and benchmarks: a script in the page's own world, or in one of ours (which
    // runs even while the page's scripts are off).
    void runJavaScript(const QString& script, const std::function<void(const QVariant&)>& done,
                       bool isolated = false);

    // Where the engine module is looked for: beside the program unless set.
    static void setModuleFolder(const QString& folder);

Q_SIGNALS:
    void rendered(bool ok);
    void webLinkClicked(const QUrl& url);
    void localPageClicked(const QString& path);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void createEngine();
    // Closing the pane gives the engine's memory back: its view, page and profile go, and
    // with them its page process. The module stays loaded.
    void dropEngine();
    // Replaces the elements the edits changed in the shown page; false when it must be drawn
    // whole.
    bool patchNow();
    void patchDone(bool ok);
    void checkDrawnPage();
    void showFailure(const QString& why);
    // What is shown is out of date: drawn again once typing pauses.
    void pageChanged();
    void renderNow();
    void caretMoved(int line);
    void followCaret();

    TMarginRichEdit* editor_;
    QPointer<TMarginRichEdit> reporting_; // asked for change reports while the engine lives
    QStackedLayout* stack_ = nullptr;
    QLabel* message_ = nullptr;
    std::unique_ptr<QLibrary> module_;
    std::unique_ptr<PreviewEngine> engine_;
    bool triedEngine_ = false;
    QString documentPath_;
    QString siteFolder_; // what the page may load besides itself; empty for an untitled page
    std::function<QString()> siteSource_;
    bool runsScripts_ = true;
    QTimer renderTimer_;
    bool stale_ = true;         // the text changed since the last render
    bool bytesChanged_ = false; // since the editor's last notice of an update
    bool drawn_ = false;        // a render has finished since the last one started
    QPointF scroll_;            // where the last finished render was scrolled to
    PagePatchPlan plan_;
    bool planChecked_ = false; // the drawn page's body has the outline's elements
    bool wholeWanted_ = true;  // something besides the text changed: draw the page whole
    bool busy_ = false;        // a patch or a look at the drawn page is under way
    bool renderWanted_ = false;
    int generation_ = 0; // of the engine; answers for an engine dropped since are ignored
    bool followCaret_ = true;
    int caretLine_ = -1;
    bool followPending_ = false;
    QTimer followTimer_;
};
