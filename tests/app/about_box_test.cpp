#include "app/about_box.h"
#include "app/main_form.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class AboutBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsOurPicturesAndTexts()
    {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Vorlane"));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(box.size(), QSize(479, 343));
        QVERIFY(!box.Image1->pixmap().isNull());
        QVERIFY(!box.Image2->pixmap().isNull());
        QCOMPARE(box.Image2->toolTip(), QStringLiteral("Vorlane by Tallowmark"));
        QCOMPARE(box.Label1->text(), QStringLiteral("Version 2.0 *BETA 0.8*"));
        QCOMPARE(box.Label3->text(), QStringLiteral("Vorlane Webpage:"));
        QCOMPARE(box.Label4->text(),
                 QStringLiteral(
                     "This software is based in part on the work of the Independent JPEG Group."));
        QCOMPARE(box.Edit1->text(), kVorlaneHomePage);
        QVERIFY(box.Edit1->isReadOnly());
        QVERIFY(!box.Edit1->hasFrame());
        QCOMPARE(box.BitBtn1->text(), QStringLiteral("&OK"));
        QVERIFY(box.BitBtn1->isDefault());
        QCOMPARE(box.BitBtn2->text(), QStringLiteral("&Help"));
        QVERIFY(!box.BitBtn2->isEnabled());
        QCOMPARE(box.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(box.Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    // Enter closes through the default button wherever the focus is; Escape never closes.
    void keys_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter on the box") << QString() << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter") << QString() << int(Qt::Key_Enter) << true;
        QTest::newRow("Enter in the address")
            << QStringLiteral("Edit1") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape on the box") << QString() << int(Qt::Key_Escape) << false;
        QTest::newRow("Escape in the address")
            << QStringLiteral("Edit1") << int(Qt::Key_Escape) << false;
        QTest::newRow("Escape on OK") << QStringLiteral("BitBtn1") << int(Qt::Key_Escape) << false;
    }
    void keys()
    {
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(bool, closes);
        ScriptedPrompter prompter;
        TMainForm form;
        bool stillOpen = false;
        prompter.onDialog(QStringLiteral("TAboutBox"), [&](QDialog& d) {
            QWidget* w = target.isEmpty() ? &d : d.findChild<QWidget*>(target);
            QVERIFY(w);
            w->setFocus();
            QTest::keyClick(w, Qt::Key(key));
            stillOpen = d.isVisible();
            if (stillOpen)
                d.accept(); // let the test go on
        });
        form.invokeMenuItem("HelpAboutItem");
        QCOMPARE(prompter.dialogsRun, QStringList{QStringLiteral("TAboutBox")});
        QCOMPARE(stillOpen, !closes);
        QVERIFY(prompter.errors.isEmpty());
        // Nothing else changes; each showing is a fresh box that is gone afterwards.
        QCOMPARE(form.windowTitle(), QStringLiteral("Untitled - Vorlane"));
        QVERIFY(form.findChildren<TAboutBox*>().isEmpty());
    }
};

VORLANE_TEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
