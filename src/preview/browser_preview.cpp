#include "preview/browser_preview.h"

#include "core/seam.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/settings_store.h"

#include <QProcess>
#include <QStandardPaths>

std::optional<BrowserEntry> browserEntry(const QString& choice, const QString& target)
{
    if (choice == QLatin1String("NS")) {
        return BrowserEntry{QStringLiteral("Netscape"),
                            QStringLiteral("Netscape"),
                            QStringLiteral("WWW_OpenURL"),
                            target + QStringLiteral(",,0xffffffff,0x1"),
                            {target}};
    }
    if (choice == QLatin1String("IE")) {
        return BrowserEntry{QStringLiteral("Microsoft Internet Explorer"),
                            QStringLiteral("IExplore"),
                            QStringLiteral("WWW_OpenURL"),
                            QLatin1Char('"') + target + QStringLiteral("\",,-1,,,,,"),
                            {QStringLiteral("-nohome"), target}};
    }
    return std::nullopt;
}

QString previewFilePath(const QString& documentPath, const QString& useTemp,
                        const QString& tempName)
{
    if (useTemp == QLatin1String("N"))
        return documentPath;
    return folderPart(documentPath) + tempName;
}

QStringList installedBrowserPrograms(const QStringList& candidates,
                                     const std::function<QString(const QString&)>& lookup)
{
    static const QStringList known = {QStringLiteral("x-www-browser"),
                                      QStringLiteral("firefox"),
                                      QStringLiteral("firefox-esr"),
                                      QStringLiteral("chromium"),
                                      QStringLiteral("chromium-browser"),
                                      QStringLiteral("google-chrome"),
                                      QStringLiteral("google-chrome-stable"),
                                      QStringLiteral("brave-browser"),
                                      QStringLiteral("microsoft-edge"),
                                      QStringLiteral("opera"),
                                      QStringLiteral("vivaldi"),
                                      QStringLiteral("epiphany"),
                                      QStringLiteral("falkon"),
                                      QStringLiteral("konqueror"),
                                      QStringLiteral("midori"),
                                      QStringLiteral("qutebrowser"),
                                      QStringLiteral("sensible-browser"),
                                      QStringLiteral("xdg-open")};
    const auto find =
        lookup ? lookup : [](const QString& name) { return QStandardPaths::findExecutable(name); };
    QStringList found;
    for (const QString& name : candidates.isEmpty() ? known : candidates) {
        const QString path = find(name);
        if (!path.isEmpty() && !found.contains(path))
            found.append(path);
    }
    return found;
}

namespace {

// No desktop here offers a hand-over to a running browser, so no window ever counts; a
// started browser program hands the page to its own open window itself.
class NoBrowserWindows : public BrowserWindows
{
public:
    bool handOver(const BrowserEntry&, const QString&) override { return false; }
};

class DetachedProcessLauncher : public ProcessLauncher
{
public:
    bool start(const QString& program, const QStringList& arguments,
               const QString& workingFolder) override
    {
        return QProcess::startDetached(program, arguments, workingFolder);
    }
};

Seam<BrowserWindows, NoBrowserWindows> windowsSeam;
Seam<ProcessLauncher, DetachedProcessLauncher> launcherSeam;

} // namespace

BrowserWindows& browserWindows()
{
    return windowsSeam.current();
}

void setBrowserWindows(BrowserWindows* windows)
{
    windowsSeam.install(windows);
}

ProcessLauncher& processLauncher()
{
    return launcherSeam.current();
}

void setProcessLauncher(ProcessLauncher* launcher)
{
    launcherSeam.install(launcher);
}

void showInBrowser(QWidget* parent, const QString& choice, const QString& target,
                   const QString& workingFolder)
{
    const std::optional<BrowserEntry> entry = browserEntry(choice, target);
    if (entry && browserWindows().handOver(*entry, target))
        return;
    // The location is read afresh, so a changed one counts without any refresh.
    const QString location = ReadSetting(Setting::BrowserLocation);
    if (location == QLatin1String("[unset]")) {
        prompter().inform(parent, QStringLiteral("Vorlane"), kLocateBrowserMessage);
        return;
    }
    if (!entry)
        return;
    if (!processLauncher().start(location, entry->arguments, workingFolder))
        throw AppError(QStringLiteral("Cannot start the browser %1").arg(location));
}
