#include "preview/live_preview_pane.h"

#include "core/document_codec.h"
#include "core/site_folder.h"
#include "core/tag_lexer.h"
#include "editor/margin_rich_edit.h"
#include "preview/live_preview_engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QHideEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLibrary>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QStackedLayout>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

// Qt's own hook for the GL context every user in the process shares.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

QString& moduleFolder()
{
    static QString folder;
    return folder;
}

// The engine refuses to start for root with its sandbox on, and root's desktop is rare
// enough that containers and fresh machines are the usual case: there it goes without.
void switchSandboxOffForRoot()
{
    static bool decided = false;
    if (decided)
        return;
    decided = true;
    if (geteuid() != 0)
        return;
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fputs("vorlane: running as root, so the live preview's web engine runs without its "
               "sandbox\n",
               stderr);
}

// The engine reports its graphics set-up and start parameters, some 25 lines, on its first
// start; the user's own rules still decide when there are any.
void quietEngineLogging()
{
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext=false"));
}

// One page process for the pane, however many sites its frames come from. The sandbox stays
// as it is.
void limitEngineProcesses()
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--renderer-process-limit"))
        return;
    if (!flags.isEmpty())
        flags.append(' ');
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + "--renderer-process-limit=1");
}

// The web engine expects the shared GL context that Qt makes at start-up when the engine is
// linked into the program. Loaded later, it is made here, the way Qt makes it; where GL does
// not work it stays invalid and the engine draws without GL. It is made even though the view
// draws without GL (see the module): without it the engine warns on the terminal.
void prepareSharedGraphics()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

NearestElement nearestElementBefore(const TextRuns& text, qsizetype end)
{
    // The lexer wants one piece: the text up to `end` and a little after, so that a tag starting
    // just before `end` is read whole. Only the part past the editor's gap is copied.
    constexpr qsizetype kTagReach = 4096;
    const qsizetype split = text.first.size();
    QByteArray joined;
    QByteArrayView view = text.first;
    if (end + kTagReach > split && !text.second.isEmpty()) {
        joined.reserve(qMin(split + text.second.size(), end + kTagReach));
        joined.append(text.first);
        joined.append(text.second.first(
            qMin(text.second.size(), qMax<qsizetype>(0, end + kTagReach - split))));
        view = joined;
    }
    QHash<QByteArray, int> seen;
    NearestElement last;
    forEachTag(view, [&](const LexedTag& tag) {
        if (tag.start >= end)
            return false;
        // Only names of letters and digits: the name goes into a script as it is.
        if (tag.closing || !std::all_of(tag.name.begin(), tag.name.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            }))
            return true;
        const QByteArray name = tag.name.toByteArray().toLower();
        int& count = seen[name];
        last = {name, count};
        ++count;
        return true;
    });
    return last;
}

TLivePreviewPane::TLivePreviewPane(TMarginRichEdit* editor, QWidget* parent)
    : QWidget(parent), editor_(editor)
{
    setObjectName(QStringLiteral("LivePreviewPane"));
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("LivePreviewMessage"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setMargin(12);
    stack_->addWidget(message_);

    renderTimer_.setSingleShot(true);
    renderTimer_.setInterval(kRenderDelayMs);
    connect(&renderTimer_, &QTimer::timeout, this, &TLivePreviewPane::renderNow);
    followTimer_.setSingleShot(true);
    followTimer_.setInterval(50);
    connect(&followTimer_, &QTimer::timeout, this, [this] {
        if (stale_ || busy_ || (engine_ && engine_->rendering()))
            followPending_ = true; // the page is about to change; follow once it has
        else
            followCaret();
    });
    // The editor asks Scintilla for no per-change notices (they cost time in proportion to the
    // caret's position); the once-per-update one says whether the text changed.
    // That notice also comes for new styles and marks (the spelling pass over a big page): only
    // a change of the bytes makes the page stale.
    connect(editor_, &TMarginRichEdit::textEdited, this, [this] {
        if (std::exchange(bytesChanged_, false))
            pageChanged();
    });
    // Which bytes changed, so that the shown page is patched where it can be.
    connect(editor_, &TMarginRichEdit::bytesChanged, this,
            [this](long position, long inserted, long deleted) {
                bytesChanged_ = true;
                plan_.noteEdit(position, inserted, deleted);
            });
    connect(editor_, &TMarginRichEdit::textReplaced, this, [this] {
        bytesChanged_ = true;
        plan_.invalidate();
    });
    connect(editor_, &QsciScintilla::cursorPositionChanged, this,
            [this](int line, int) { caretMoved(line); });
}

TLivePreviewPane::~TLivePreviewPane()
{
    dropEngine();
}

void TLivePreviewPane::setModuleFolder(const QString& folder)
{
    moduleFolder() = folder;
}

qint64 TLivePreviewPane::pageProcess() const
{
    return engine_ ? engine_->pageProcess() : 0;
}

QString TLivePreviewPane::failure() const
{
    return stack_->currentWidget() == message_ ? message_->text() : QString();
}

void TLivePreviewPane::showFailure(const QString& why)
{
    message_->setText(QStringLiteral("The live preview cannot be shown: %1.").arg(why));
    stack_->setCurrentWidget(message_);
}

void TLivePreviewPane::createEngine()
{
    triedEngine_ = true;
    switchSandboxOffForRoot();
    quietEngineLogging();
    limitEngineProcesses();
    prepareSharedGraphics();
    // Beside the program in a build tree; in the private library folder once installed.
    QString folder = moduleFolder();
    if (folder.isEmpty()) {
        folder = QCoreApplication::applicationDirPath();
        const QString installed = folder + QStringLiteral("/../" VORLANE_MODULE_DIR);
        if (!QFileInfo::exists(folder + QStringLiteral("/vorlane_web_preview.so")) &&
            QFileInfo::exists(installed + QStringLiteral("/vorlane_web_preview.so")))
            folder = installed;
    }
    module_ = std::make_unique<QLibrary>(folder + QStringLiteral("/vorlane_web_preview.so"));
    auto create =
        reinterpret_cast<CreatePreviewEngine>(module_->resolve(kCreatePreviewEngineSymbol));
    if (!create) {
        showFailure(
            QStringLiteral("its web engine module did not load (%1)").arg(module_->errorString()));
        return;
    }
    QString error;
    engine_.reset(create(this, &error));
    // The engine takes over the termination signals for a shutdown of its own that never comes
    // here; a terminated program must still end as it did before the pane was opened.
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_DFL);
    if (!engine_) {
        showFailure(error);
        return;
    }
    engine_->renderFinished = [this](bool ok) {
        drawn_ = ok;
        if (ok)
            checkDrawnPage();
        if (ok && stack_->currentWidget() == message_)
            stack_->setCurrentWidget(engine_->widget());
        if (ok && followPending_)
            followCaret();
        Q_EMIT rendered(ok);
    };
    engine_->failed = [this](const QString& why) {
        showFailure(why + QStringLiteral("; it starts again with the next edit"));
        stale_ = true;
    };
    engine_->setScriptsEnabled(runsScripts_);
    engine_->openFile = [this](const QString& path) -> QIODevice* {
        return openInsideSite(path, siteFolder_).release();
    };
    engine_->linkClicked = [this](const QUrl& url) {
        if (url.isEmpty())
            return; // a page without a folder has no neighbours
        if (url.isLocalFile())
            Q_EMIT localPageClicked(url.toLocalFile());
        else
            Q_EMIT webLinkClicked(url);
    };
    stack_->addWidget(engine_->widget());
    stack_->setCurrentWidget(engine_->widget());
    reporting_ = editor_;
    reporting_->SetReportChanges(true);
}

void TLivePreviewPane::dropEngine()
{
    if (!engine_)
        return;
    ++generation_;
    if (reporting_) // the editor may have gone first, as the window closes
        reporting_->SetReportChanges(false);
    reporting_ = nullptr;
    renderTimer_.stop();
    followTimer_.stop();
    // Nothing the engine reports while it goes may reach the pane.
    engine_->renderFinished = nullptr;
    engine_->failed = nullptr;
    engine_->linkClicked = nullptr;
    engine_->openFile = nullptr;
    stack_->setCurrentWidget(message_);
    engine_.reset();
    triedEngine_ = false;
    plan_.invalidate();
    planChecked_ = false;
    busy_ = false;
    renderWanted_ = false;
    followPending_ = false;
    drawn_ = false;
    stale_ = true;
}

void TLivePreviewPane::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!triedEngine_)
        createEngine();
    if (stale_)
        renderTimer_.start(0);
}

void TLivePreviewPane::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    // A minimised window keeps its pane; a closed pane lets the engine go.
    if (!e->spontaneous() && window()->isVisible())
        dropEngine();
}

void TLivePreviewPane::setDocumentPath(const QString& path)
{
    if (path == documentPath_)
        return;
    documentPath_ = path;
    scroll_ = QPointF(); // another page starts at its top
    drawn_ = false;
    wholeWanted_ = true;
    pageChanged();
}

void TLivePreviewPane::setFollowCaret(bool on)
{
    followCaret_ = on;
    followPending_ = false;
}

void TLivePreviewPane::setRunsScripts(bool on)
{
    if (on == runsScripts_)
        return;
    runsScripts_ = on;
    if (engine_)
        engine_->setScriptsEnabled(on);
    wholeWanted_ = true;
    pageChanged();
}

void TLivePreviewPane::pageChanged()
{
    stale_ = true;
    // What is being drawn is out of date: drop it rather than let it queue up.
    if (engine_ && engine_->rendering())
        engine_->stop();
    if (isVisible())
        renderTimer_.start(kRenderDelayMs);
}

void TLivePreviewPane::renderNow()
{
    if (!engine_ || !isVisible())
        return;
    if (busy_) {
        renderWanted_ = true; // once the page has answered
        return;
    }
    stale_ = false;
    // Found again each time: an index page made since may widen the site.
    siteFolder_ = documentPath_.isEmpty() ? QString()
                  : siteSource_           ? siteSource_()
                                          : siteFolderFor(documentPath_);
    if (patchNow())
        return;
    if (drawn_)
        scroll_ = engine_->scrollPosition();
    drawn_ = false;
    wholeWanted_ = false;
    const QByteArray html = editor_->EditorUtf8();
    plan_.reset(outlinePage(html));
    planChecked_ = false;
    engine_->render(html, documentPath_, scroll_);
}

bool TLivePreviewPane::patchNow()
{
    if (wholeWanted_ || !drawn_ || !planChecked_ || !plan_.valid())
        return false;
    if (!plan_.hasEdits()) {
        // The text is what is shown (only its styling changed).
        if (followPending_)
            followCaret();
        return true;
    }
    const std::vector<PagePatchPlan::Patch> patches = plan_.takePatches(
        [this](qsizetype from, qsizetype to) {
            return editor_->BytesBetween(long(from), long(to)).toByteArray();
        },
        runsScripts_);
    if (patches.empty())
        return false;
    // Each element is replaced only where the page still has the element it had, and must
    // come out as one element again; anything else is drawn whole.
    QJsonArray list;
    for (const PagePatchPlan::Patch& p : patches)
        list.append(
            QJsonArray{p.index, QString::fromLatin1(p.oldName), QString::fromLatin1(p.newName),
                       QString::fromUtf8(editor_->BytesBetween(long(p.start), long(p.end)))});
    const QString script =
        QStringLiteral(
            "(function(){var b=document.body,p=%1,n=%2;if(!b||b.children.length!=n)return false;"
            "for(var i=0;i<p.length;++i){var e=b.children[p[i][0]];if(!e||e.tagName!=p[i][1])"
            "return false;e.outerHTML=p[i][3];e=b.children[p[i][0]];if(b.children.length!=n||"
            "!e||e.tagName!=p[i][2])return false;}void b.offsetHeight;return true;})()")
            // In one pass: the markup may hold "%2" itself.
            .arg(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)),
                 QString::number(plan_.outline().elements.size()));
    busy_ = true;
    drawn_ = false;
    const int generation = generation_;
    engine_->patch(editor_->EditorUtf8(), script, [this, generation](bool ok) {
        if (generation == generation_)
            patchDone(ok);
    });
    return true;
}

void TLivePreviewPane::patchDone(bool ok)
{
    busy_ = false;
    if (!ok) {
        // The page was not what it was taken for: drawn whole, at once.
        plan_.invalidate();
        wholeWanted_ = true;
        drawn_ = true; // keeps the scroll position
        renderNow();
        return;
    }
    drawn_ = true;
    if (followPending_)
        followCaret();
    Q_EMIT rendered(true);
    if (renderWanted_) {
        renderWanted_ = false;
        renderNow();
    }
}

// The page drawn whole is patched only once its body is seen to hold the elements it was
// outlined with: a browser reads some markup otherwise (a block inside a paragraph).
void TLivePreviewPane::checkDrawnPage()
{
    if (!plan_.valid())
        return;
    busy_ = true;
    const int generation = generation_;
    const QByteArray expected = plan_.outline().names();
    engine_->runJavaScript(
        QStringLiteral("(function(){var b=document.body;return b&&b.tagName=='BODY'?Array."
                       "prototype.map.call(b.children,function(e){return e.tagName}).join(' '):"
                       "'-'})()"),
        true, [this, generation, expected](const QVariant& names) {
            if (generation != generation_)
                return;
            busy_ = false;
            planChecked_ = names.toString().toLatin1() == expected;
            if (followPending_)
                followCaret();
            if (renderWanted_) {
                renderWanted_ = false;
                renderNow();
            }
        });
}

void TLivePreviewPane::caretMoved(int line)
{
    if (line == caretLine_)
        return;
    caretLine_ = line;
    if (followCaret_ && engine_ && isVisible())
        followTimer_.start();
}

void TLivePreviewPane::followCaret()
{
    followPending_ = false;
    if (!engine_ || caretLine_ < 0)
        return;
    const long lineEnd = editor_->LineEndByte(caretLine_);
    const NearestElement element = nearestElementBefore(editor_->EditorTextRuns(), lineEnd);
    // Tag names are letters and digits only, so they go into the script as they are.
    const QString script =
        element.tag.isEmpty()
            ? QStringLiteral("window.scrollTo(0,0)")
            : QStringLiteral("(function(){var e=document.getElementsByTagName('%1')[%2];if(!e)"
                             "return;var r=e.getBoundingClientRect();if(r.top<0||r.bottom>"
                             "innerHeight)e.scrollIntoView({block:'center'});})()")
                  .arg(QString::fromLatin1(element.tag))
                  .arg(element.index);
    engine_->runJavaScript(script, true, {});
}

void TLivePreviewPane::runJavaScript(const QString& script,
                                     const std::function<void(const QVariant&)>& done,
                                     bool isolated)
{
    if (engine_)
        engine_->runJavaScript(script, isolated, done);
}
