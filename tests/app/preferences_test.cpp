#include "app/preferences_dialog.h"
#include "core/settings_store.h"
#include "page/body_properties_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using Settings = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(Settings)

namespace {

void store(const Settings& settings)
{
    for (const auto& [name, value] : settings)
        WriteSetting(settingNamed(name), value);
}

QStringList storedQuickStart()
{
    return {ReadSetting(Setting::DefaultTitle),         ReadSetting(Setting::QuickStartBgColor),
            ReadSetting(Setting::QuickStartTextColor),  ReadSetting(Setting::QuickStartLinkColor),
            ReadSetting(Setting::QuickStartVLinkColor), ReadSetting(Setting::QuickStartALinkColor),
            ReadSetting(Setting::QuickStartBgImage)};
}

const QColor kSilver(192, 192, 192);

} // namespace

class PreferencesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void locationListStartsWithTheGivenEntries()
    {
        TPrefs p;
        QVERIFY(p.ComboBox1->count() >= 2); // programs found here follow
        QCOMPARE(p.ComboBox1->itemText(0),
                 QStringLiteral("c:\\Program Files\\Netscape\\Navigator\\netscape.exe"));
        QCOMPARE(p.ComboBox1->itemText(1),
                 QStringLiteral("c:\\Program Files\\Internet Explorer\\iexplore.exe"));
    }

    void fill_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<int>("browser");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("useTemp");
        QTest::addColumn<QString>("tempName");
        QTest::addColumn<QString>("fontCaption");
        QTest::addColumn<bool>("parse");
        QTest::addColumn<bool>("quickStart");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QString>("error");

        QTest::newRow("empty store") << Settings{} << 2 << "[unset]"
                                     << "Untitled" << true << "pagetmp.htm"
                                     << "Arial, 9" << true << true << false << "";
        QTest::newRow("everything stored") << Settings{{"Browser", "NS"},
                                                       {"Browser Location", "/usr/bin/firefox"},
                                                       {"Default Title", "Home"},
                                                       {"Use Temp", "N"},
                                                       {"Temp Filename", "view.htm"},
                                                       {"Font", "Courier New"},
                                                       {"Font Size", "12"},
                                                       {"Parse Image Paths", "N"},
                                                       {"QuickStart", "N"},
                                                       {"Task Tray", "Y"}}
                                           << 1 << "/usr/bin/firefox"
                                           << "Home" << false << "view.htm"
                                           << "Courier New, 12" << false << false << true << "";
        QTest::newRow("IE") << Settings{{"Browser", "IE"}} << 0 << "[unset]"
                            << "Untitled" << true << "pagetmp.htm"
                            << "Arial, 9" << true << true << false << "";
        QTest::newRow("lower-case values") << Settings{{"Browser", "ie"},
                                                       {"Use Temp", "y"},
                                                       {"Parse Image Paths", "y"},
                                                       {"QuickStart", "n"},
                                                       {"Task Tray", "y"}}
                                           << 2 << "[unset]"
                                           << "Untitled" << false << "pagetmp.htm"
                                           << "Arial, 9" << false << true << false << "";
        QTest::newRow("odd QuickStart keeps the box")
            << Settings{{"QuickStart", ""}} << 2 << "[unset]"
            << "Untitled" << true << "pagetmp.htm"
            << "Arial, 9" << true << true << false << "";
        QTest::newRow("size text shown as stored")
            << Settings{{"Font", "Verdana"}, {"Font Size", "011"}} << 2 << "[unset]"
            << "Untitled" << true << "pagetmp.htm"
            << "Verdana, 011" << true << true << false << "";
        // A size that is not a number stops the filling: later fields keep the form's values.
        QTest::newRow("bad font size")
            << Settings{{"Browser", "NS"},     {"Default Title", "T"},     {"Font", "Verdana"},
                        {"Font Size", "12pt"}, {"Parse Image Paths", "N"}, {"QuickStart", "N"},
                        {"Task Tray", "Y"}}
            << 1 << "[unset]"
            << "T" << true << "pagetmp.htm"
            << "Arial, 9" << true << true << false << "'12pt' is not a valid integer value";
    }
    void fill()
    {
        QFETCH(Settings, stored);
        QFETCH(int, browser);
        QFETCH(QString, location);
        QFETCH(QString, title);
        QFETCH(bool, useTemp);
        QFETCH(QString, tempName);
        QFETCH(QString, fontCaption);
        QFETCH(bool, parse);
        QFETCH(bool, quickStart);
        QFETCH(bool, tray);
        QFETCH(QString, error);
        store(stored);
        ScriptedPrompter prompts;
        TPrefs p;
        QCOMPARE(prompts.errors, error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(p.browserIndex(), browser);
        QCOMPARE(p.ComboBox1->isEnabled(), browser != 2);
        QCOMPARE(p.BitBtn3->isEnabled(), browser != 2);
        QCOMPARE(p.ComboBox1->currentText(), location);
        QCOMPARE(p.PageTitle->text(), title);
        QCOMPARE(p.CheckBox1->isChecked(), useTemp);
        QCOMPARE(p.Edit2->text(), tempName);
        QCOMPARE(p.Edit2->isEnabled(), useTemp);
        QCOMPARE(p.Button1->text(), fontCaption);
        QCOMPARE(p.CheckBox2->isChecked(), parse);
        QCOMPARE(p.CheckBox3->isChecked(), quickStart);
        QCOMPARE(p.TrayCheck->isChecked(), tray);
    }

    void okWritesEveryValue()
    {
        ScriptedPrompter prompts;
        QFont chosen(QStringLiteral("Courier New"));
        chosen.setPointSize(14);
        prompts.fontAnswers.append(chosen);
        TPrefs p;
        p.setBrowserIndex(0);
        p.ComboBox1->setEditText(QStringLiteral("/opt/my browser/run"));
        p.PageTitle->setText(QStringLiteral("My page"));
        p.CheckBox1->setChecked(false);
        QVERIFY(!p.Edit2->isEnabled());
        p.Edit2->setText(QStringLiteral("other.htm"));
        p.Button1->click();
        QCOMPARE(p.Button1->text(), QStringLiteral("Courier New, 14"));
        p.CheckBox2->setChecked(false);
        p.CheckBox3->setChecked(false);
        p.TrayCheck->setChecked(true);
        p.BitBtn1->click();
        QCOMPARE(p.result(), int(QDialog::Accepted));
        const QList<QPair<SettingKey, const char*>> expected = {
            {Setting::Browser, "IE"},
            {Setting::BrowserLocation, "/opt/my browser/run"},
            {Setting::DefaultTitle, "My page"},
            {Setting::UseTemp, "N"},
            {Setting::TempFilename, "other.htm"},
            {Setting::Font, "Courier New"},
            {Setting::FontSize, "14"},
            {Setting::ParseImagePaths, "N"},
            {Setting::QuickStart, "N"},
            {Setting::TaskTray, "Y"}};
        for (const auto& [key, value] : expected)
            QCOMPARE(ReadSetting(key), QString::fromLatin1(value));

        // Shown again the next time.
        TPrefs again;
        QCOMPARE(again.Edit2->text(), QStringLiteral("other.htm"));
        QVERIFY(!again.CheckBox3->isChecked());
        QCOMPARE(again.Button1->text(), QStringLiteral("Courier New, 14"));
    }

    void okAfterBadFontSizeStoresTheFormsSize()
    {
        store({{"Font", "Verdana"}, {"Font Size", "x"}, {"Task Tray", "Y"}});
        ScriptedPrompter prompts;
        TPrefs p;
        p.BitBtn1->click();
        QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Verdana"));
        QCOMPARE(ReadSetting(Setting::FontSize), QStringLiteral("9"));
        QCOMPARE(ReadSetting(Setting::TaskTray), QStringLiteral("N")); // the form's value
    }

    void cancelWritesNothing()
    {
        ScriptedPrompter prompts;
        TPrefs p;
        p.setBrowserIndex(1);
        p.PageTitle->setText(QStringLiteral("x"));
        p.BitBtn2->click();
        QCOMPARE(p.result(), int(QDialog::Rejected));
        QVERIFY(!QFileInfo::exists(settingsFilePath()));
    }

    void browserChoice_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("IE") << 0 << "c:\\Program Files\\Internet Explorer\\iexplore.exe"
                            << "IExplore.exe" << true;
        QTest::newRow("NS") << 1 << "c:\\Program Files\\Netscape\\Navigator\\netscape.exe"
                            << "Netscape.exe" << true;
        QTest::newRow("None keeps the text") << 2 << "/typed/by/hand"
                                             << "" << false;
    }
    void browserChoice()
    {
        QFETCH(int, index);
        QFETCH(QString, location);
        QFETCH(QString, proposed);
        QFETCH(bool, enabled);
        store({{"Browser", "NS"}});
        ScriptedPrompter prompts;
        TPrefs p;
        p.ComboBox1->setEditText(QStringLiteral("/typed/by/hand"));
        p.RadioGroup1->findChildren<QRadioButton*>().at(index)->click();
        QCOMPARE(p.ComboBox1->currentText(), location);
        QCOMPARE(p.proposedBrowserFile(), proposed);
        QCOMPARE(p.ComboBox1->isEnabled(), enabled);
        QCOMPARE(p.BitBtn3->isEnabled(), enabled);
    }

    void opensOnItsFirstField()
    {
        store({{"Browser", "NS"}});
        ScriptedPrompter prompts;
        TPrefs p;
        p.show();
        QVERIFY(QTest::qWaitForWindowActive(&p));
        QCOMPARE(QApplication::focusWidget(), p.RadioGroup1->findChildren<QRadioButton*>().at(1));
    }

    void browseSetsTheLocation()
    {
        store({{"Browser", "IE"}});
        ScriptedPrompter prompts;
        prompts.openAnswers.append(
            Prompter::FileAnswer{{QStringLiteral("/usr/local/bin/browser")}, false});
        prompts.openAnswers.append(Prompter::FileAnswer{}); // cancelled: the text stays
        TPrefs p;
        p.setBrowserIndex(0);
        p.BitBtn3->click();
        QCOMPARE(p.ComboBox1->currentText(), QStringLiteral("/usr/local/bin/browser"));
        QCOMPARE(prompts.openRequests.first().fileName, QStringLiteral("IExplore.exe"));
        QVERIFY(prompts.openRequests.first()
                    .filters.join(QLatin1Char(' '))
                    .contains(QStringLiteral("*.exe")));
        p.BitBtn3->click();
        QCOMPARE(p.ComboBox1->currentText(), QStringLiteral("/usr/local/bin/browser"));
    }

    void cancelledFontChangesNothing()
    {
        ScriptedPrompter prompts;
        prompts.fontAnswers.append(std::nullopt);
        TPrefs p;
        p.Button1->click();
        QCOMPARE(p.Button1->text(), QStringLiteral("Arial, 9"));
        QCOMPARE(p.fontDialogFont().family(), QStringLiteral("Arial"));
    }

    void quickStartPropertiesAreStoredHoweverTheyClose_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("pageTitle");
        QTest::addColumn<QString>("image");
        QTest::newRow("OK") << true << "New title"
                            << "img/back.gif";
        QTest::newRow("Cancel") << false << "Typed"
                                << "img\\back.gif";
    }
    void quickStartPropertiesAreStoredHoweverTheyClose()
    {
        QFETCH(bool, ok);
        QFETCH(QString, pageTitle);
        QFETCH(QString, image);
        store({{"Default Title", "Stored"}, {"Quick Start LinkColor", "102030"}});
        ScriptedPrompter prompts;
        prompts.onDialog("TBodyProperties", [&](QDialog& d) {
            auto& b = static_cast<TBodyProperties&>(d);
            QCOMPARE(b.windowTitle(), QStringLiteral("Quick Start Page Properties"));
            // Title from the field, not from the store; colours and samples from the store.
            QCOMPARE(b.DocTitle->text(), QStringLiteral("Typed"));
            QCOMPARE(b.fields(),
                     (QStringList{"", "#FFFFFF", "#000000", "102030", "#FF0000", "#FF0000"}));
            QCOMPARE(b.Shape3->brushColor(), QColor(0x10, 0x20, 0x30));
            b.DocTitle->setText(QStringLiteral("New title"));
            b.Edit2->setText(QStringLiteral("#123456"));
            b.BgImageFile->setText(QStringLiteral("img\\back.gif"));
            (ok ? b.BitBtn1 : b.BitBtn2)->click();
        });
        TPrefs p;
        p.PageTitle->setText(QStringLiteral("Typed"));
        p.BitBtn4->click();
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(prompts.dialogsRun, QStringList{"TBodyProperties"});
        QCOMPARE(p.PageTitle->text(), pageTitle);
        const QStringList expected = {"New title", "#123456", "#000000", "102030",
                                      "#FF0000",   "#FF0000", image};
        QCOMPARE(storedQuickStart(), expected);
        p.BitBtn2->click(); // cancelling the preferences keeps them
        QCOMPARE(storedQuickStart(), expected);
    }

    void badStoredColourCanStillBeCorrected()
    {
        store({{"Quick Start TextColor", "blackish"}, {"Quick Start vLinkColor", "'#FF0000'"}});
        ScriptedPrompter prompts;
        prompts.onDialog("TBodyProperties", [&](QDialog& d) {
            auto& b = static_cast<TBodyProperties&>(d);
            QCOMPARE(b.Shape1->brushColor(), QColor(255, 255, 255));
            QCOMPARE(b.Shape2->brushColor(), kSilver);
            QCOMPARE(b.Shape4->brushColor(), kSilver);
            b.Edit3->setText(QStringLiteral("#000000"));
            b.BitBtn1->click();
        });
        TPrefs p;
        p.BitBtn4->click();
        QCOMPARE(prompts.errors.size(), 1); // the colour message, then the dialog anyway
        QVERIFY(prompts.errors.first().endsWith(QStringLiteral("is not a valid integer value")));
        QCOMPARE(prompts.dialogsRun, QStringList{"TBodyProperties"});
        QCOMPARE(ReadSetting(Setting::QuickStartTextColor), QStringLiteral("#000000"));
        QCOMPARE(ReadSetting(Setting::QuickStartVLinkColor), QStringLiteral("'#FF0000'"));
    }
};

VORLANE_TEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
