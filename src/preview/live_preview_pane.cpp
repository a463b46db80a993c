#include "preview/live_preview_pane.h"

#include "core/document_codec.h"
#include "core/site_folder.h"
#include "core/tag_lexer.h"
#include "editor/margin_rich_edit.h"
#include "preview/live_preview_engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
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

// The web engine expects the shared GL context that Qt makes at start-up when the engine is
// linked into the program. Loaded later, it is made here, the way Qt makes it; where GL does
// not work it stays invalid and the engine draws without GL.
// The engine reports its graphics set-up and start parameters, some 25 lines, on its first
// start; the user's own rules still decide when there are any.
void quietEngineLogging()
{
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext=false"));
}

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
        if (stale_ || (engine_ && engine_->rendering()))
            followPending_ = true; // the page is about to change; follow once it has
        else
            followCaret();
    });
    // The editor asks Scintilla for no per-change notices (they cost time in proportion to the
    // caret's position); the once-per-update one says whether the text changed.
    connect(editor_, &TMarginRichEdit::textEdited, this, &TLivePreviewPane::textEdited);
    connect(editor_, &QsciScintilla::cursorPositionChanged, this,
            [this](int line, int) { caretMoved(line); });
}

TLivePreviewPane::~TLivePreviewPane() = default;

void TLivePreviewPane::setModuleFolder(const QString& folder)
{
    moduleFolder() = folder;
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
}

void TLivePreviewPane::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!triedEngine_)
        createEngine();
    if (stale_)
        renderTimer_.start(0);
}

void TLivePreviewPane::setDocumentPath(const QString& path)
{
    if (path == documentPath_)
        return;
    documentPath_ = path;
    scroll_ = QPointF(); // another page starts at its top
    drawn_ = false;
    textEdited();
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
    textEdited();
}

void TLivePreviewPane::textEdited()
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
    if (drawn_)
        scroll_ = engine_->scrollPosition();
    drawn_ = false;
    stale_ = false;
    // Found again each time: an index page made since may widen the site.
    siteFolder_ = documentPath_.isEmpty() ? QString()
                  : siteSource_           ? siteSource_()
                                          : siteFolderFor(documentPath_);
    engine_->render(editor_->EditorUtf8(), documentPath_, scroll_);
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
