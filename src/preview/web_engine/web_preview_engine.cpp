// The live preview's browser engine: a QWebEngineView that shows the editor's text through a
// URL scheme of its own. Built as a module that the pane loads on first use.
#include "preview/live_preview_engine.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMimeDatabase>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
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

// Serves the editor's text as the page, and files for the references relative to it. Page
// scripts cannot read through it: the scheme is not open to fetch or XMLHttpRequest.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    QByteArray html;
    QString pagePath; // the URL path the page is served at
    bool hasFolder = false;

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const QString path = job->requestUrl().path();
        if (path == pagePath) {
            auto* buffer = new QBuffer(job);
            buffer->setData(html); // shares the bytes
            job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
            return;
        }
        if (!hasFolder) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        const QFileInfo info(path);
        auto* file = new QFile(path, job);
        if (!info.isFile() || !file->open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        job->reply(mimes_.mimeTypeForFile(info).name().toUtf8(), file);
    }

private:
    QMimeDatabase mimes_;
};

// Stands in for a window the page asks for: it shows nothing, and a link that was meant to
// open in it is handled as any other link.
class LinkCatcher : public QWebEnginePage
{
public:
    LinkCatcher(QWebEngineProfile* profile, std::function<void(const QUrl&)> linkClicked)
        : QWebEnginePage(profile), linkClicked_(std::move(linkClicked))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override
    {
        if (type == NavigationTypeLinkClicked && !handled_ && linkClicked_)
            linkClicked_(url);
        handled_ = true;
        deleteLater();
        return false;
    }

private:
    std::function<void(const QUrl&)> linkClicked_;
    bool handled_ = false;
};

class PreviewPage : public QWebEnginePage
{
public:
    PreviewPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

    QUrl pageUrl;
    std::function<void(const QUrl&)> linkClicked;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked) {
            // A jump inside the page itself stays in the pane.
            if (isPage(url) && url.hasFragment())
                return true;
            if (linkClicked)
                linkClicked(url);
            return false;
        }
        // The pane shows the page and nothing else; frames inside it load as usual.
        return !isMainFrame || isPage(url);
    }
    bool isPage(const QUrl& url) const
    {
        return url.scheme() == pageUrl.scheme() && url.path() == pageUrl.path();
    }
    QWebEnginePage* createWindow(WebWindowType) override
    {
        return new LinkCatcher(profile(), linkClicked); // no pop-ups
    }
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
            // Counts as a local file does in a browser.
            scheme.setFlags(QWebEngineUrlScheme::LocalScheme |
                            QWebEngineUrlScheme::LocalAccessAllowed);
            QWebEngineUrlScheme::registerScheme(scheme);
            return true;
        }();
        Q_UNUSED(registered);

        // An off-the-record profile: nothing of the preview is kept on disk.
        handler_ = std::make_unique<PageSchemeHandler>();
        profile_ = std::make_unique<QWebEngineProfile>();
        profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile_->installUrlSchemeHandler(kScheme, handler_.get());
        QObject::connect(profile_.get(), &QWebEngineProfile::downloadRequested, profile_.get(),
                         [](QWebEngineDownloadRequest* download) { download->cancel(); });

        page_ = std::make_unique<PreviewPage>(profile_.get(), nullptr);
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
        QObject::connect(page_.get(), &QWebEnginePage::loadFinished, page_.get(), [this](bool ok) {
            if (!rendering_)
                return; // a navigation refused in the page, not a render
            rendering_ = false;
            if (renderFinished)
                renderFinished(ok);
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
                linkClicked(handler_->hasFolder ? QUrl::fromLocalFile(url.path()) : QUrl());
            else
                linkClicked(url);
        };
        view_ = new QWebEngineView(parent);
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
        handler_->hasFolder = !documentPath.isEmpty();
        handler_->pagePath =
            documentPath.isEmpty() ? kUntitledPath : QFileInfo(documentPath).absoluteFilePath();
        QUrl url;
        url.setScheme(QString::fromLatin1(kScheme));
        url.setPath(handler_->pagePath);
        page_->pageUrl = url;
        placeAfterLoad(scroll);
        rendering_ = true;
        page_->load(url);
    }

    void stop() override
    {
        if (rendering_)
            page_->triggerAction(QWebEnginePage::Stop);
    }
    bool rendering() const override { return rendering_; }
    QPointF scrollPosition() const override { return page_->scrollPosition(); }

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
    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<PreviewPage> page_;
    QWebEngineView* view_ = nullptr;
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
    return new WebPreviewEngine(parent);
}
