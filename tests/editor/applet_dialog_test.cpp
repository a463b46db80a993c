#include "core/pending_markup.h"
#include "editor/applet_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

class AppletDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PendingMarkup::take(); }

    void defaults()
    {
        TInsJava dialog(QStringLiteral("Untitled"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Insert Java Applet"));
        QCOMPARE(dialog.PageControl1->count(), 2);
        QCOMPARE(dialog.PageControl1->tabText(0), QStringLiteral("Java Applet"));
        QCOMPARE(dialog.PageControl1->tabText(1), QStringLiteral("JavaScript"));
        QCOMPARE(dialog.PageControl1->currentIndex(), 0);
        QCOMPARE(dialog.ClassFileName->text(), QString());
        QCOMPARE(dialog.Height->text(), QStringLiteral("100"));
        QCOMPARE(dialog.Width->text(), QStringLiteral("200"));
        QCOMPARE(dialog.Align->currentText(), QStringLiteral("(none)"));
        QCOMPARE(dialog.Align->count(), 6);
        QCOMPARE(dialog.alt->text(), QStringLiteral("Java Applet"));
        QCOMPARE(dialog.BrowseBtn->toolTip(), QStringLiteral("Browse"));
        QVERIFY(!dialog.BitBtn2->isEnabled());
    }

    void opensOnItsFirstField()
    {
        TInsJava dialog(QStringLiteral("Untitled"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.ClassFileName);
    }

    void okEnabledByAnyChangeEvenEmptying()
    {
        TInsJava dialog(QStringLiteral("Untitled"));
        dialog.ClassFileName->setText("x");
        QVERIFY(dialog.BitBtn2->isEnabled());
        dialog.ClassFileName->clear();
        QVERIFY(dialog.BitBtn2->isEnabled());
        dialog.BitBtn2->click();
        QCOMPARE(
            PendingMarkup::take().text,
            QStringLiteral("<APPLET CODE= HEIGHT=100 WIDTH=200 ALT=\"Java Applet\"> </APPLET>"));
    }

    void okWritesTheFields()
    {
        TInsJava dialog(QStringLiteral("Untitled"));
        dialog.ClassFileName->setText("Clock.class");
        dialog.Align->setEditText("");
        dialog.codebase->setText("classes");
        dialog.JavaName->setText("clk");
        dialog.alt->clear();
        dialog.params->setText(" MAYSCRIPT");
        dialog.BitBtn2->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(PendingMarkup::take().text,
                 QStringLiteral("<APPLET CODE=Clock.class HEIGHT=100 WIDTH=200 ALIGN= "
                                "CODEBASE=classes NAME=clk MAYSCRIPT> </APPLET>"));
    }

    void cancelLeavesNothing()
    {
        TInsJava dialog(QStringLiteral("Untitled"));
        dialog.ClassFileName->setText("Clock.class");
        dialog.BitBtn1->click();
        QCOMPARE(PendingMarkup::take().text, QString());
    }

    void browse_data()
    {
        QTest::addColumn<QString>("document"); // relative to the temporary folder, or Untitled
        QTest::addColumn<QString>("picked");   // empty: the chooser is cancelled
        QTest::addColumn<QString>("typed");    // field text before browsing
        QTest::addColumn<QString>("field");    // "@" stands for the temporary folder
        QTest::addColumn<bool>("okEnabled");

        QTest::newRow("same folder") << "site/index.htm"
                                     << "site/Clock.class"
                                     << ""
                                     << "Clock.class" << true;
        QTest::newRow("sub-folder") << "site/index.htm"
                                    << "site/app/Clock.class"
                                    << ""
                                    << "app/Clock.class" << true;
        QTest::newRow("elsewhere") << "site/index.htm"
                                   << "other/Clock.class"
                                   << ""
                                   << "@other/Clock.class" << true;
        QTest::newRow("untitled keeps the path") << "Untitled"
                                                 << "site/Clock.class"
                                                 << ""
                                                 << "@site/Clock.class" << true;
        QTest::newRow("cancel shortens the typed text") << "site/index.htm"
                                                        << ""
                                                        << "@site/app/Clock.class"
                                                        << "app/Clock.class" << true;
        QTest::newRow("cancel on an empty field") << "site/index.htm"
                                                  << ""
                                                  << ""
                                                  << "" << false;
    }
    void browse()
    {
        QFETCH(QString, document);
        QFETCH(QString, picked);
        QFETCH(QString, typed);
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        writeFile(root + "site/Clock.class", "x");
        writeFile(root + "site/app/Clock.class", "x");
        writeFile(root + "other/Clock.class", "x");
        auto expand = [&](QString s) { return s.replace(QLatin1Char('@'), root); };

        ScriptedPrompter prompter;
        Prompter::FileAnswer answer;
        if (!picked.isEmpty())
            answer.files = {root + picked};
        prompter.openAnswers = {answer};
        TInsJava dialog(document == "Untitled" ? document : root + document);
        {
            const QSignalBlocker blocker(dialog.ClassFileName);
            dialog.ClassFileName->setText(expand(typed));
        }
        dialog.BrowseBtn->click();
        QFETCH(QString, field);
        QCOMPARE(dialog.ClassFileName->text(), expand(field));
        QTEST(dialog.BitBtn2->isEnabled(), "okEnabled");
        QCOMPARE(prompter.openRequests.size(), 1);
        QCOMPARE(prompter.openRequests[0].filters.value(0),
                 QStringLiteral("Java Applets (*.class)"));
    }
};

VORLANE_TEST_MAIN(AppletDialogTest)
#include "applet_dialog_test.moc"
