#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// What a known browser needs: the text its window title carries, the request an open window
// gets, and the arguments a newly started program gets.
struct BrowserEntry
{
    QString windowTitleText; // exact case, anywhere in the title
    QString ddeService;
    QString ddeTopic;
    QString ddeItem;       // the request for the target
    QStringList arguments; // after the program
};

// "NS" and "IE" (exact case) are known; anything else has no entry and starts nothing.
std::optional<BrowserEntry> browserEntry(const QString& choice, const QString& target);

// The file a preview writes: the page itself when useTemp is "N", otherwise tempName in the
// page's folder.
QString previewFilePath(const QString& documentPath, const QString& useTemp,
                        const QString& tempName);

// Browser programs installed on this machine, in the order of `candidates`, found through
// `lookup` (by default the PATH).
QStringList installedBrowserPrograms(const QStringList& candidates = {},
                                     const std::function<QString(const QString&)>& lookup = {});

// Finds an open browser window by its title and hands the target to it.
class BrowserWindows
{
public:
    virtual ~BrowserWindows() = default;
    // True when a window counted as the browser and got the request.
    virtual bool handOver(const BrowserEntry& entry, const QString& target) = 0;
};

// Starts a program without a shell.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    virtual bool start(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) = 0;
};

// The ones in use (never null) and a way for tests to put fakes in (nullptr restores).
BrowserWindows& browserWindows();
void setBrowserWindows(BrowserWindows* windows);
ProcessLauncher& processLauncher();
void setProcessLauncher(ProcessLauncher* launcher);

// Hands target to an open browser window, or starts the browser program from
// "Browser Location" with the choice's arguments in workingFolder. Tells the user when no
// location is stored and raises when the program cannot be started.
void showInBrowser(QWidget* parent, const QString& choice, const QString& target,
                   const QString& workingFolder);

inline const QString kLocateBrowserMessage =
    QStringLiteral("Please locate you browser in File | Preferences");
