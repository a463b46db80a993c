#include "core/app_error.h"
#include "core/settings_store.h"
#include "preview/browser_preview.h"
#include "support/fake_launcher.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

namespace {

struct FakeWindows : BrowserWindows
{
    bool found = false;
    QStringList requests; // service|topic|item|title text
    InstalledSeam<BrowserWindows> installed{&setBrowserWindows, this};
    bool handOver(const BrowserEntry& entry, const QString&) override
    {
        if (!found)
            return false;
        requests.append(
            QStringList{entry.ddeService, entry.ddeTopic, entry.ddeItem, entry.windowTitleText}
                .join(QLatin1Char('|')));
        return true;
    }
};

} // namespace

class BrowserPreviewTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void knownBrowsers()
    {
        const QString target = QStringLiteral("/w/my page.htm");
        const auto ns = browserEntry(QStringLiteral("NS"), target);
        QVERIFY(ns);
        QCOMPARE(ns->windowTitleText, QStringLiteral("Netscape"));
        QCOMPARE(ns->ddeService, QStringLiteral("Netscape"));
        QCOMPARE(ns->ddeTopic, QStringLiteral("WWW_OpenURL"));
        QCOMPARE(ns->ddeItem, QStringLiteral("/w/my page.htm,,0xffffffff,0x1"));
        QCOMPARE(ns->arguments, QStringList{target});
        const auto ie = browserEntry(QStringLiteral("IE"), target);
        QVERIFY(ie);
        QCOMPARE(ie->windowTitleText, QStringLiteral("Microsoft Internet Explorer"));
        QCOMPARE(ie->ddeService, QStringLiteral("IExplore"));
        QCOMPARE(ie->ddeTopic, QStringLiteral("WWW_OpenURL"));
        QCOMPARE(ie->ddeItem, QStringLiteral("\"/w/my page.htm\",,-1,,,,,"));
        QCOMPARE(ie->arguments, (QStringList{QStringLiteral("-nohome"), target}));
    }

    void otherChoicesAreNoBrowser_data()
    {
        QTest::addColumn<QString>("choice");
        for (const char* c : {"None", "ns", "ie", "", " NS", "Netscape"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void otherChoicesAreNoBrowser()
    {
        QFETCH(QString, choice);
        QVERIFY(!browserEntry(choice, QStringLiteral("/x.htm")));
    }

    void previewFile_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("useTemp");
        QTest::addColumn<QString>("tempName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("temp beside the page") << "/w/site/index.html"
                                              << "Y"
                                              << "pagetmp.htm"
                                              << "/w/site/pagetmp.htm";
        QTest::newRow("only N means the page") << "/w/site/index.html"
                                               << "N"
                                               << "pagetmp.htm"
                                               << "/w/site/index.html";
        QTest::newRow("lower-case n uses temp") << "/w/index.html"
                                                << "n"
                                                << "t.htm"
                                                << "/w/t.htm";
        QTest::newRow("empty flag uses temp") << "/w/index.html"
                                              << ""
                                              << "t.htm"
                                              << "/w/t.htm";
        QTest::newRow("root folder") << "/index.html"
                                     << "Y"
                                     << "pagetmp.htm"
                                     << "/pagetmp.htm";
        QTest::newRow("relative page") << "site/a.htm"
                                       << "Y"
                                       << "p.htm"
                                       << "site/p.htm";
    }
    void previewFile()
    {
        QFETCH(QString, document);
        QFETCH(QString, useTemp);
        QFETCH(QString, tempName);
        QFETCH(QString, expected);
        QCOMPARE(previewFilePath(document, useTemp, tempName), expected);
    }

    void installedProgramsInCandidateOrder()
    {
        const auto lookup = [](const QString& name) {
            if (name == QLatin1String("firefox"))
                return QStringLiteral("/usr/bin/firefox");
            if (name == QLatin1String("chromium") || name == QLatin1String("chromium-browser"))
                return QStringLiteral("/usr/bin/chromium");
            return QString();
        };
        QCOMPARE(installedBrowserPrograms(
                     {"x-www-browser", "chromium", "firefox", "chromium-browser"}, lookup),
                 (QStringList{"/usr/bin/chromium", "/usr/bin/firefox"}));
    }

    void startsTheProgramWithTheChoicesArguments_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("NS") << "NS" << QStringList{"/opt/b r/nav", "/w", "/w/p q.htm"};
        QTest::newRow("IE") << "IE" << QStringList{"/opt/b r/nav", "/w", "-nohome", "/w/p q.htm"};
        QTest::newRow("None") << "None" << QStringList();
        QTest::newRow("lower case") << "ns" << QStringList();
    }
    void startsTheProgramWithTheChoicesArguments()
    {
        QFETCH(QString, choice);
        QFETCH(QStringList, expected);
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/b r/nav"));
        ScriptedPrompter prompts;
        FakeWindows windows;
        FakeLauncher launcher;
        showInBrowser(nullptr, choice, QStringLiteral("/w/p q.htm"), QStringLiteral("/w"));
        QCOMPARE(launcher.started.size(), expected.isEmpty() ? 0 : 1);
        if (!expected.isEmpty())
            QCOMPARE(launcher.started.first(), expected);
        QVERIFY(prompts.informs.isEmpty());
        QVERIFY(prompts.errors.isEmpty());
    }

    void unsetLocationIsReportedForAnyChoice_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("NS") << "NS";
        QTest::newRow("None") << "None";
    }
    void unsetLocationIsReportedForAnyChoice()
    {
        QFETCH(QString, choice);
        ScriptedPrompter prompts;
        FakeWindows windows;
        FakeLauncher launcher;
        showInBrowser(nullptr, choice, QStringLiteral("/w/p.htm"), QStringLiteral("/w"));
        QCOMPARE(prompts.informs.size(), 1);
        QCOMPARE(prompts.informs.first().text,
                 QStringLiteral("Please locate you browser in File | Preferences"));
        QVERIFY(launcher.started.isEmpty());
    }

    void openWindowGetsTheRequestInstead()
    {
        ScriptedPrompter prompts;
        FakeWindows windows;
        windows.found = true;
        FakeLauncher launcher;
        showInBrowser(nullptr, QStringLiteral("IE"), QStringLiteral("http://x/"),
                      QStringLiteral("/"));
        QCOMPARE(
            windows.requests,
            QStringList{"IExplore|WWW_OpenURL|\"http://x/\",,-1,,,,,|Microsoft Internet Explorer"});
        QVERIFY(launcher.started.isEmpty());
        QVERIFY(prompts.informs.isEmpty()); // no location needed
    }

    void programThatCannotStartIsReported()
    {
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/no/such/browser"));
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        launcher.succeed = false;
        try {
            showInBrowser(nullptr, QStringLiteral("NS"), QStringLiteral("/w/p.htm"),
                          QStringLiteral("/w"));
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY(e.message().contains(QStringLiteral("/no/such/browser")));
        }
    }

    void realLauncherFailsForAMissingProgram()
    {
        QVERIFY(!processLauncher().start(QStringLiteral("/no/such/program/at/all"), {},
                                         QDir::tempPath()));
    }
};

VORLANE_TEST_MAIN(BrowserPreviewTest)
#include "browser_preview_test.moc"
