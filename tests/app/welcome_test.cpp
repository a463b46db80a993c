#include "app/preferences_dialog.h"
#include "app/tip_dialog.h"
#include "app/welcome_dialog.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

namespace {

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void storeRecent(const QStringList& paths)
{
    for (int i = 0; i < paths.size(); ++i)
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F%1").arg(i),
                         paths.at(i));
}

} // namespace

class WelcomeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void disabledButtonsAndClearedBox()
    {
        TWelcome w;
        QVERIFY(!w.SpeedButton3->isEnabled()); // templates are not offered
        QVERIFY(!w.SpeedButton4->isEnabled());
        QVERIFY(!w.CheckBox1->isChecked());
    }

    void choiceButtonsLeaveTheirCodeAndClose_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("code");
        QTest::newRow("new page") << "SpeedButton2"
                                  << "QS";
        QTest::newRow("open") << "SpeedButton5"
                              << "OP";
    }
    void choiceButtonsLeaveTheirCodeAndClose()
    {
        QFETCH(QString, button);
        QFETCH(QString, code);
        ScriptedPrompter prompts;
        prompts.onDialog("TWelcome",
                         [&](QDialog& d) { d.findChild<QToolButton*>(button)->click(); });
        TWelcome w;
        QCOMPARE(prompts.exec(w), int(QDialog::Accepted));
        QCOMPARE(w.choice(), code);
    }

    void templateCode()
    {
        TWelcome w;
        w.SpeedButton3Click(); // the button is disabled; its code stays defined
        QCOMPARE(w.choice(), QStringLiteral("TE"));
    }

    void closeBoxLeavesNoCode()
    {
        ScriptedPrompter prompts; // no handler: closed without a choice
        TWelcome w;
        prompts.exec(w);
        QCOMPARE(w.choice(), QString());
    }

    void everyCloseStoresTheBox_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cleared, close box") << false << false << "N";
        QTest::newRow("checked, close box") << true << false << "Y";
        QTest::newRow("cleared, choice") << false << true << "N";
        QTest::newRow("checked, choice") << true << true << "Y";
    }
    void everyCloseStoresTheBox()
    {
        QFETCH(bool, checked);
        QFETCH(bool, byButton);
        QFETCH(QString, stored);
        WriteSetting(Setting::Welcome, checked ? QStringLiteral("N") : QStringLiteral("Y"));
        ScriptedPrompter prompts;
        prompts.onDialog("TWelcome", [&](QDialog& d) {
            auto& w = static_cast<TWelcome&>(d);
            w.CheckBox1->setChecked(checked);
            if (byButton)
                w.SpeedButton2->click();
            else
                w.close();
        });
        TWelcome w;
        prompts.exec(w);
        QCOMPARE(ReadSetting(Setting::Welcome), stored);
    }

    void popupWithoutRecentFiles()
    {
        TWelcome w;
        QCOMPARE(captions(w.PopupMenu1), (QStringList{"Cancel", "-"}));
    }

    void recentFileReopens()
    {
        storeRecent({"/w/one.htm", "/w/two words.htm", "/w/3.htm", "/w/4.htm", "/w/5.htm"});
        ScriptedPrompter prompts;
        prompts.onDialog("TWelcome", [](QDialog& d) {
            auto& w = static_cast<TWelcome&>(d);
            w.SpeedButton8->click();
            QVERIFY(w.PopupMenu1->isVisible());
            QCOMPARE(captions(w.PopupMenu1),
                     (QStringList{"-", "&1 /w/one.htm", "&2 /w/two words.htm", "&3 /w/3.htm",
                                  "&4 /w/4.htm", "&5 /w/5.htm", "Cancel", "-"}));
            w.PopupMenu1->actions().at(2)->trigger();
        });
        {
            TWelcome w;
            QCOMPARE(prompts.exec(w), int(QDialog::Accepted));
            QCOMPARE(w.choice(), QStringLiteral("RE/w/two words.htm"));
        }
        // Clicking neither moved nor removed anything; the window wrote back what it read.
        const auto stored = ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey);
        QCOMPARE(stored.size(), 5);
        QCOMPARE(stored.at(1).second, QStringLiteral("/w/two words.htm"));
    }

    void cancelInThePopupKeepsTheWindowOpen()
    {
        storeRecent({"/w/one.htm"});
        TWelcome w;
        w.show();
        w.Recent1->trigger();
        QVERIFY(w.isVisible());
        QCOMPARE(w.choice(), QString());
    }

    void preferencesButtonKeepsTheWindowOpen_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void preferencesButtonKeepsTheWindowOpen()
    {
        QFETCH(bool, accept);
        ScriptedPrompter prompts;
        prompts.onDialog("TPrefs", [&](QDialog& d) {
            auto& p = static_cast<TPrefs&>(d);
            p.Edit2->setText(QStringLiteral("mine.htm"));
            (accept ? p.BitBtn1 : p.BitBtn2)->click();
        });
        TWelcome w;
        w.show();
        QSignalSpy closed(&w, &TWelcome::preferencesClosed);
        w.SpeedButton1->click();
        QCOMPARE(prompts.dialogsRun, QStringList{"TPrefs"});
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed.at(0).at(0).toBool(), accept);
        QCOMPARE(closed.at(0).at(1).toString(), QStringLiteral("mine.htm"));
        QVERIFY(w.isVisible());
        QCOMPARE(ReadSetting(Setting::TempFilename),
                 accept ? QStringLiteral("mine.htm") : QStringLiteral("pagetmp.htm"));
    }

    void tipButtonShowsTheTip()
    {
        ScriptedPrompter prompts;
        prompts.onDialog("TTipOfTheDay", [](QDialog& d) {
            auto& t = static_cast<TTipOfTheDay&>(d);
            t.Button1->click(); // Next Tip does nothing
            QVERIFY(t.isVisible());
            t.BitBtn1->click();
        });
        TWelcome w;
        w.show();
        w.SpeedButton6->click();
        QCOMPARE(prompts.dialogsRun, QStringList{"TTipOfTheDay"});
        QVERIFY(w.isVisible());
    }
};

VORLANE_TEST_MAIN(WelcomeTest)
#include "welcome_test.moc"
