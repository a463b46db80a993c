#include "editor/find_replace_dialogs.h"
#include "support/test_main.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

class FindReplaceDialogsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findButtonsNeedASearchText()
    {
        TFindDialog find;
        QVERIFY(!find.isModal());
        QVERIFY(!find.FindNextButton->isEnabled());
        find.SetFindText("x");
        QVERIFY(find.FindNextButton->isEnabled());
        find.SetFindText("");
        QVERIFY(!find.FindNextButton->isEnabled());

        TReplaceDialog replace;
        QVERIFY(!replace.isModal());
        for (QPushButton* b :
             {replace.FindNextButton, replace.ReplaceButton, replace.ReplaceAllButton})
            QVERIFY(!b->isEnabled());
        replace.SetFindText("x");
        for (QPushButton* b :
             {replace.FindNextButton, replace.ReplaceButton, replace.ReplaceAllButton})
            QVERIFY(b->isEnabled());
    }

    void buttonsReportTheirOwnSignal()
    {
        TReplaceDialog replace;
        replace.SetFindText("a");
        QSignalSpy find(&replace, &TReplaceDialog::findNext);
        QSignalSpy one(&replace, &TReplaceDialog::replace);
        QSignalSpy all(&replace, &TReplaceDialog::replaceAll);
        replace.ReplaceButton->click();
        replace.ReplaceAllButton->click();
        replace.ReplaceAllButton->click();
        replace.FindNextButton->click();
        QCOMPARE(find.count(), 1);
        QCOMPARE(one.count(), 1);
        QCOMPARE(all.count(), 2);
    }

    void textsSurviveClosing()
    {
        TReplaceDialog replace;
        replace.show();
        replace.FindEdit->setText("needle");
        replace.ReplaceEdit->setText("thread");
        replace.CancelButton->click();
        QVERIFY(!replace.isVisible());
        replace.show();
        QCOMPARE(replace.FindText(), QStringLiteral("needle"));
        QCOMPARE(replace.ReplaceText(), QStringLiteral("thread"));

        TFindDialog find;
        find.show();
        find.FindEdit->setText("word");
        QSignalSpy spy(&find, &TFindDialog::findNext);
        find.FindNextButton->click();
        QCOMPARE(spy.count(), 1);
        QVERIFY(find.isVisible()); // stays open after a search
        find.CancelButton->click();
        QVERIFY(!find.isVisible());
        QCOMPARE(find.FindText(), QStringLiteral("word"));
    }

    // Shown again, typing replaces the old search text instead of adding to it.
    void findShownAgainReplacesItsText() { typingReplacesOldText<TFindDialog>(); }
    void replaceShownAgainReplacesItsText() { typingReplacesOldText<TReplaceDialog>(); }

    void findDialogMovesOffTheMatch()
    {
        TFindDialog find;
        find.present();
        QVERIFY(QTest::qWaitForWindowExposed(&find));
        const QRect room = find.screen()->availableGeometry();
        find.move(room.left() + 100, room.top() + 100);
        const QRect under(find.frameGeometry().center(), QSize(40, 14));
        find.keepClearOf(under);
        QVERIFY(!find.frameGeometry().intersects(under));
        QVERIFY(room.contains(find.frameGeometry()));
        // A match elsewhere leaves it where it is.
        const QPoint kept = find.pos();
        find.keepClearOf(QRect(find.frameGeometry().bottomRight() + QPoint(5, 5), QSize(40, 14)));
        QCOMPARE(find.pos(), kept);
    }

private:
    template <typename Dialog> void typingReplacesOldText()
    {
        QWidget owner;
        owner.show();
        Dialog dialog(&owner);
        dialog.present();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClicks(dialog.FindEdit, "one");
        dialog.close();
        dialog.present();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.FindEdit);
        QTest::keyClicks(QApplication::focusWidget(), "two");
        QCOMPARE(dialog.FindText(), QStringLiteral("two"));
    }
};

VORLANE_TEST_MAIN(FindReplaceDialogsTest)
#include "find_replace_dialogs_test.moc"
