// The live preview's browser engine: a QWebEngineView that shows the editor's text through a
// URL scheme of its own. Built as a module that the pane loads on first use.
#include "preview/live_preview_engine.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QQuickWindow>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <memory>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kScheme = QByteArrayLiteral("vorlane-preview");
// The name an untitled page is served under; it has no folder to resolve against.
const QString kUntitledPath = QStringLiteral("/untitled");

// Serves the editor's text as the page, and the files it loads as a page does, through the
// pane's `openFile`, which keeps them to the site folder. An untitled page gets only itself.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    QByteArray html;
    QString pagePath; // the URL path the page is served at
    bool untitled = true;
    std::function<QIODevice*(const QString&)> openFile;

    bool isPage(const QUrl& url) const
    {
        return url.scheme() == QLatin1String(kScheme) && url.path(QUrl::FullyDecoded) == pagePath;
    }

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        if (isPage(job->requestUrl())) {
            auto* buffer = new QBuffer(job);
            buffer->setData(html); // shares the bytes
            job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
            return;
        }
        const QString path = job->requestUrl().path(QUrl::FullyDecoded);
        QIODevice* file = untitled || !openFile ? nullptr : openFile(path);
        if (!file) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        file->setParent(job);
        job->reply(mimes_.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toUtf8(),
                   file);
    }

private:
    QMimeDatabase mimes_;
};

// Scripts read no local file, as a browser's file: page cannot: from our scheme the page gets
// only what it loads as a page does, and nothing at all comes from file:. The web loads as in a
// browser.
class LocalReadGuard : public QWebEngineUrlRequestInterceptor
{
public:
    explicit LocalReadGuard(const PageSchemeHandler* handler) : handler_(handler) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (url.isLocalFile() || url.scheme() == QLatin1String("file")) {
            info.block(true);
            return;
        }
        if (url.scheme() != QLatin1String(kScheme))
            return;
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
            info.block(!handler_->isPage(url));
            return;
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        case QWebEngineUrlRequestInfo::ResourceTypeScript:
        case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
            return;
        default: // fetch, XMLHttpRequest, beacons, frames, workers, prefetches, ...
            info.block(true);
        }
    }

private:
    const PageSchemeHandler* handler_;
};

// Real input on the view: a link the user clicked or pressed Enter on may leave the pane;
// one a script clicked, or any other navigation the page starts, may not. Events a script
// makes never pass through Qt, so anything seen here came from the user.
class UserGestures : public QObject
{
public:
    explicit UserGestures(QWidget* view) : view_(view) { qApp->installEventFilter(this); }

    // Takes the gesture, if there was one just now; a second navigation needs a second one.
    bool take()
    {
        const bool recent = since_.isValid() && since_.elapsed() < kWindowMs;
        since_.invalidate();
        return recent;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const QEvent::Type type = e->type();
        if (type != QEvent::MouseButtonRelease && type != QEvent::KeyPress)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !view_ || !(widget == view_ || view_->isAncestorOf(widget)))
            return false;
        if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
                return false;
        }
        since_.start();
        return false;
    }

private:
    // As long as a browser counts a click as the user's: the page process reports the click's
    // navigation well within it, even on a busy machine.
    static constexpr qint64 kWindowMs = 5000;
    QPointer<QWidget> view_;
    QElapsedTimer since_;
};

// Stands in for a window the page asks for: it shows nothing, and a link that was meant to
// open in it is handled as any other link.
class LinkCatcher : public QWebEnginePage
{
public:
    LinkCatcher(QWebEngineProfile* profile, std::function<void(const QUrl&)> leave)
        : QWebEnginePage(profile), leave_(std::move(leave))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override
    {
        if (type == NavigationTypeLinkClicked && !handled_ && leave_)
            leave_(url);
        handled_ = true;
        deleteLater();
        return false;
    }

private:
    std::function<void(const QUrl&)> leave_;
    bool handled_ = false;
};

// Schemes a frame inside the page may show; any other would be handed to a program of the
// desktop's choosing.
bool framesMayShow(const QUrl& url)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("about"), QStringLiteral("data"),
                                        QStringLiteral("blob")};
    return schemes.contains(url.scheme());
}

class PreviewPage : public QWebEnginePage
{
public:
    PreviewPage(QWebEngineProfile* profile, const PageSchemeHandler* handler)
        : QWebEnginePage(profile), handler_(handler)
    {
    }

    UserGestures* gestures = nullptr;
    std::function<void(const QUrl&)> linkClicked;

    // A link leaves the pane only when the user clicked it.
    void leave(const QUrl& url, NavigationType type)
    {
        if (type == NavigationTypeLinkClicked && gestures && gestures->take() && linkClicked)
            linkClicked(url);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // Frames inside the page load from the web as usual; the pane itself shows the page
        // and nothing else (a jump inside it, or the page again, stays).
        if (!isMainFrame)
            return framesMayShow(url);
        if (handler_->isPage(url))
            return true;
        leave(url, type);
        return false;
    }
    QWebEnginePage* createWindow(WebWindowType) override
    {
        return new LinkCatcher(profile(),
                               [this](const QUrl& url) { leave(url, NavigationTypeLinkClicked); });
    }
    // No dialogs on the page's say-so.
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override
    {
        return false;
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        return {};
    }

private:
    const PageSchemeHandler* handler_;
};

// The engine aborts the whole program when its helper process or its data are missing, so
// they are looked for first.
QString missingRuntime()
{
    QString process = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (process.isEmpty()) {
        process = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                  QStringLiteral("/QtWebEngineProcess");
        const QString beside =
            QCoreApplication::applicationDirPath() + QStringLiteral("/QtWebEngineProcess");
        if (!QFileInfo(process).isExecutable() && QFileInfo(beside).isExecutable())
            process = beside;
    }
    if (!QFileInfo(process).isExecutable())
        return QStringLiteral("the web engine's helper program %1 is missing").arg(process);
    QString resources = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (resources.isEmpty())
        resources = QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
    const QString data = resources + QStringLiteral("/qtwebengine_resources.pak");
    if (!QFileInfo::exists(data))
        return QStringLiteral("the web engine's data file %1 is missing").arg(data);
    // The sandbox needs user namespaces; without them the engine ends the program.
    const bool sandboxed =
        !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") &&
        !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox"));
    if (sandboxed) {
        const pid_t child = fork();
        if (child == 0)
            _exit(unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return QStringLiteral("the web engine's sandbox cannot run on this system, which "
                                  "does not let programs create user namespaces");
    }
    return QString();
}

class WebPreviewEngine : public PreviewEngine
{
public:
    explicit WebPreviewEngine(QWidget* parent)
    {
        static const bool registered = [] {
            QWebEngineUrlScheme scheme(kScheme);
            scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
            // Local, so web pages cannot load it; allowed local access, or the page could not
            // load its own pictures. file: stays out of reach through the guard below.
            scheme.setFlags(QWebEngineUrlScheme::LocalScheme |
                            QWebEngineUrlScheme::LocalAccessAllowed);
            QWebEngineUrlScheme::registerScheme(scheme);
            return true;
        }();
        Q_UNUSED(registered);

        // An off-the-record profile: nothing of the preview is kept on disk.
        handler_ = std::make_unique<PageSchemeHandler>();
        handler_->openFile = [this](const QString& path) {
            return openFile ? openFile(path) : nullptr;
        };
        guard_ = std::make_unique<LocalReadGuard>(handler_.get());
        profile_ = std::make_unique<QWebEngineProfile>();
        profile_->setUrlRequestInterceptor(guard_.get());
        profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile_->installUrlSchemeHandler(kScheme, handler_.get());
        QObject::connect(profile_.get(), &QWebEngineProfile::downloadRequested, profile_.get(),
                         [](QWebEngineDownloadRequest* download) { download->cancel(); });

        page_ = std::make_unique<PreviewPage>(profile_.get(), handler_.get());
        QWebEngineSettings* s = page_->settings();
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false); // typing stays put
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);

        QObject::connect(page_.get(), &QWebEnginePage::featurePermissionRequested, page_.get(),
                         [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                             page_->setFeaturePermission(origin, feature,
                                                         QWebEnginePage::PermissionDeniedByUser);
                         });
        QObject::connect(page_.get(), &QWebEnginePage::fullScreenRequested, page_.get(),
                         [](QWebEngineFullScreenRequest request) { request.reject(); });
        QObject::connect(
            page_.get(), &QWebEnginePage::registerProtocolHandlerRequested, page_.get(),
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        QObject::connect(page_.get(), &QWebEnginePage::fileSystemAccessRequested, page_.get(),
                         [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
        QObject::connect(
            page_.get(), &QWebEnginePage::loadingChanged, page_.get(),
            [this](const QWebEngineLoadingInfo& loading) {
                // A load stopped before its end is one we dropped or replaced with a newer render
                // (which reports for itself), or a navigation refused in the page.
                const bool succeeded =
                    loading.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
                if (!rendering_ ||
                    (!succeeded && loading.status() != QWebEngineLoadingInfo::LoadFailedStatus))
                    return;
                rendering_ = false;
                if (renderFinished)
                    renderFinished(succeeded);
            });
        QObject::connect(page_.get(), &QWebEnginePage::renderProcessTerminated, page_.get(),
                         [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                             rendering_ = false;
                             if (status != QWebEnginePage::NormalTerminationStatus && failed)
                                 failed(QStringLiteral("the web engine's page process ended "
                                                       "(exit code %1)")
                                            .arg(code));
                         });
        page_->linkClicked = [this](const QUrl& url) {
            if (!linkClicked)
                return;
            // References in our own scheme are files beside the page.
            if (url.scheme() == QLatin1String(kScheme))
                linkClicked(handler_->untitled ? QUrl()
                                               : QUrl::fromLocalFile(QDir::cleanPath(
                                                     url.path(QUrl::FullyDecoded))));
            else
                linkClicked(url);
        };
        view_ = new QWebEngineView(parent);
        gestures_ = new UserGestures(view_);
        gestures_->setParent(view_);
        page_->gestures = gestures_;
        view_->setObjectName(QStringLiteral("LivePreviewView"));
        view_->setPage(page_.get());
        view_->setContextMenuPolicy(Qt::NoContextMenu); // its entries navigate and save
    }

    ~WebPreviewEngine() override
    {
        // The view, then the page, then its profile.
        delete view_;
    }

    QWidget* widget() override { return view_; }

    void render(const QByteArray& html, const QString& documentPath, QPointF scroll) override
    {
        handler_->html = html;
        handler_->untitled = documentPath.isEmpty();
        handler_->pagePath =
            documentPath.isEmpty() ? kUntitledPath : QFileInfo(documentPath).absoluteFilePath();
        QUrl url;
        url.setScheme(QString::fromLatin1(kScheme));
        url.setPath(handler_->pagePath, QUrl::DecodedMode);
        placeAfterLoad(scroll);
        stop(); // a load still under way is replaced, not raced
        rendering_ = true;
        page_->load(url);
    }

    void patch(const QByteArray& html, const QString& script,
               const std::function<void(bool)>& done) override
    {
        page_->runJavaScript(
            script, QWebEngineScript::ApplicationWorld, [this, html, done](const QVariant& answer) {
                const bool ok = answer.typeId() == QMetaType::Bool && answer.toBool();
                if (ok)
                    handler_->html = html;
                if (done)
                    done(ok);
            });
    }

    void stop() override
    {
        if (!rendering_)
            return;
        rendering_ = false;
        page_->triggerAction(QWebEnginePage::Stop);
    }
    bool rendering() const override { return rendering_; }
    QPointF scrollPosition() const override { return page_->scrollPosition(); }
    qint64 pageProcess() const override { return page_->renderProcessPid(); }
    void setScriptsEnabled(bool on) override
    {
        page_->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, on);
    }

    void runJavaScript(const QString& script, bool isolated,
                       const std::function<void(const QVariant&)>& done) override
    {
        const quint32 world =
            isolated ? QWebEngineScript::ApplicationWorld : QWebEngineScript::MainWorld;
        if (done)
            page_->runJavaScript(script, world, done);
        else
            page_->runJavaScript(script, world);
    }

private:
    // The page opens where the previous one was scrolled to: once its structure is there, and
    // again when its pictures have arrived and may have moved things.
    void placeAfterLoad(QPointF scroll)
    {
        QWebEngineScriptCollection& scripts = page_->scripts();
        for (const QWebEngineScript& old : scripts.find(QStringLiteral("vorlane-keep-scroll")))
            scripts.remove(old);
        if (scroll.isNull())
            return;
        QWebEngineScript keep;
        keep.setName(QStringLiteral("vorlane-keep-scroll"));
        keep.setWorldId(QWebEngineScript::ApplicationWorld);
        keep.setInjectionPoint(QWebEngineScript::DocumentCreation);
        keep.setRunsOnSubFrames(false);
        keep.setSourceCode(QStringLiteral("(function(){var go=function(){window.scrollTo(%1,%2);};"
                                          "document.addEventListener('DOMContentLoaded',go);"
                                          "window.addEventListener('load',go);})();")
                               .arg(scroll.x())
                               .arg(scroll.y()));
        scripts.insert(keep);
    }

    std::unique_ptr<PageSchemeHandler> handler_;
    std::unique_ptr<LocalReadGuard> guard_;
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<PreviewPage> page_;
    QWebEngineView* view_ = nullptr;
    UserGestures* gestures_ = nullptr; // owned by the view
    bool rendering_ = false;
};

} // namespace

extern "C" Q_DECL_EXPORT PreviewEngine* vorlane_create_preview_engine(QWidget* parent,
                                                                      QString* error)
{
    const QString missing = missingRuntime();
    if (!missing.isEmpty()) {
        if (error)
            *error = missing;
        return nullptr;
    }
    // The view draws the page into an image painted like any other widget. Drawn as a
    // texture instead, it would turn the whole window into one composed through OpenGL, and
    // every caret blink and typed key in the editor would recompose the window (software GL
    // on most machines: ten times the cost of the key). The user's own choice of Qt Quick
    // backend stands; set before the first Qt Quick window, so once per process.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return new WebPreviewEngine(parent);
}
