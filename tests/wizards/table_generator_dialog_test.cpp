#include "support/scripted_prompter.h"
#include "support/test_main.h"
#include "wizards/table_generator_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

class TableGeneratorDialogTest : public QObject
{
    Q_OBJECT
private:
    static void click(QToolButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

private Q_SLOTS:
    void designValues()
    {
        TInsTable d;
        QCOMPARE(d.windowTitle(), QStringLiteral("Table Generator"));
        QCOMPARE(d.Table1->rowCount(), 1);
        QCOMPARE(d.Table1->columnCount(), 2);
        QCOMPARE(d.Edit3->text(), QString());
        QVERIFY(d.RadioButton1->isChecked() && !d.RadioButton2->isChecked());
    }

    void arrowsKeepTheirMinimums_data()
    {
        QTest::addColumn<QString>("spin");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("afterDown");
        QTest::addColumn<QString>("afterUpDownDown");
        // clang-format off
        QTest::newRow("rows") << "SpinButton1" << "Edit1" << "1" << "1" << "1";
        QTest::newRow("columns") << "SpinButton2" << "Edit2" << "2" << "1" << "1";
        QTest::newRow("spacing") << "SpinButton3" << "Edit5" << "0" << "0" << "0";
        QTest::newRow("padding") << "SpinButton4" << "Edit4" << "0" << "0" << "0";
        QTest::newRow("border") << "SpinButton5" << "Edit6" << "0" << "0" << "0";
        // clang-format on
    }
    void arrowsKeepTheirMinimums()
    {
        QFETCH(QString, spin);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, afterDown);
        QFETCH(QString, afterUpDownDown);
        TInsTable d;
        auto* s = d.findChild<TSpinButton*>(spin);
        auto* e = d.findChild<QLineEdit*>(box);
        QVERIFY(s && e);
        QCOMPARE(e->text(), start);
        click(s->downButton());
        QCOMPARE(e->text(), afterDown);
        click(s->upButton());
        QCOMPARE(e->text(), QString::number(afterDown.toInt() + 1));
        click(s->downButton());
        click(s->downButton());
        QCOMPARE(e->text(), afterUpDownDown);
    }

    void gridFollowsRowAndColumnArrows()
    {
        TInsTable d;
        d.show();
        d.Table1->setItem(0, 1, new QTableWidgetItem(QStringLiteral("kept")));
        click(d.SpinButton1->upButton());
        click(d.SpinButton1->upButton());
        QCOMPARE(d.Table1->rowCount(), 3);
        click(d.SpinButton2->upButton());
        QCOMPARE(d.Table1->columnCount(), 3);
        click(d.SpinButton2->downButton());
        QCOMPARE(d.Table1->columnCount(), 2);
        QCOMPARE(d.Table1->item(0, 1)->text(), QStringLiteral("kept"));
        click(d.SpinButton2->downButton()); // the last column goes with its text
        QCOMPARE(d.Table1->columnCount(), 1);
        click(d.SpinButton2->upButton());
        QVERIFY(!d.Table1->item(0, 1) || d.Table1->item(0, 1)->text().isEmpty());
        // Cells fill the grid: (outer size - 3 per line) / lines.
        QCOMPARE(d.Table1->rowHeight(0), (d.Table1->height() - 9) / 3);
        QCOMPARE(d.Table1->columnWidth(0), (d.Table1->width() - 6) / 2);
    }

    void typedCountsReachTheGridOnlyByArrows()
    {
        TInsTable d;
        d.show();
        d.Edit1->setText(QStringLiteral("5"));
        QCOMPARE(d.Table1->rowCount(), 1);
        d.Edit1->setText(QStringLiteral("-4"));
        click(d.SpinButton1->downButton());
        QCOMPARE(d.Edit1->text(), QStringLiteral("-4"));
        QCOMPARE(d.Table1->rowCount(), 1);
        d.Edit2->setText(QStringLiteral("0"));
        click(d.SpinButton2->downButton());
        QCOMPARE(d.Table1->columnCount(), 1);
        QVERIFY(d.Table1->columnWidth(0) > 0);
        d.Edit1->setText(QStringLiteral("99999999"));
        click(d.SpinButton1->upButton());
        QCOMPARE(d.Edit1->text(), QStringLiteral("100000000"));
        QCOMPARE(d.Table1->rowCount(), TInsTable::kMaxRows);
    }

    void nonNumberIsReportedAndChangesNothing()
    {
        ScriptedPrompter prompter;
        TInsTable d;
        d.show();
        d.Edit1->setText(QStringLiteral("two"));
        click(d.SpinButton1->upButton());
        d.Edit6->setText(QString());
        click(d.SpinButton5->downButton());
        QCOMPARE(prompter.errors, (QStringList{QStringLiteral("'two' is not a valid integer value"),
                                               QStringLiteral("'' is not a valid integer value")}));
        QCOMPARE(d.Edit1->text(), QStringLiteral("two"));
        QCOMPARE(d.Table1->rowCount(), 1);
        QVERIFY(d.isVisible());
    }

    void okCollectsTheGrid()
    {
        TInsTable d;
        d.show();
        click(d.SpinButton1->upButton());
        click(d.SpinButton1->upButton());
        click(d.SpinButton2->downButton());
        d.Table1->setItem(1, 0, new QTableWidgetItem(QStringLiteral("<b>&")));
        d.Edit3->setText(QStringLiteral("80"));
        QTest::mouseClick(d.RadioButton2, Qt::LeftButton);
        QVERIFY(!d.RadioButton1->isChecked());
        click(d.SpinButton4->upButton());
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.collectedText(), QStringLiteral("<TABLE WIDTH=80% CELLPADDING=1>\r\n"
                                                   "<TR>\r\n\r\n <TD></TD>\r\n\r\n</TR>\r\n"
                                                   "<TR>\r\n\r\n <TD><b>&</TD>\r\n\r\n</TR>\r\n"
                                                   "<TR>\r\n\r\n <TD></TD>\r\n\r\n</TR>\r\n"
                                                   "\r\n</TABLE>\r\n"));
    }

    // Tab and Shift+Tab move between cells and leave the grid at its ends, Ctrl+Tab leaves it
    // from anywhere, typed text is kept, arrows move inside, Escape keeps the typed cells.
    void keyboardMovesBetweenCellsAndLeavesTheGrid()
    {
        TInsTable d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto inGrid = [&] {
            QWidget* f = QApplication::focusWidget();
            return f && (f == d.Table1 || d.Table1->isAncestorOf(f));
        };
        auto type = [](const char* keys) { QTest::keyClicks(QApplication::focusWidget(), keys); };
        auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), k, m);
        };
        d.Table1->setFocus();
        d.Table1->setCurrentCell(0, 0);
        type("a");
        key(Qt::Key_Tab);
        QVERIFY(inGrid());
        QCOMPARE(d.Table1->currentColumn(), 1);
        type("b");
        key(Qt::Key_Tab); // the last cell: out of the grid
        QVERIFY(!inGrid());
        QCOMPARE(d.Table1->item(0, 0)->text(), QStringLiteral("a"));
        QCOMPARE(d.Table1->item(0, 1)->text(), QStringLiteral("b"));

        d.Table1->setFocus();
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(inGrid());
        QCOMPARE(d.Table1->currentColumn(), 0);
        key(Qt::Key_Backtab, Qt::ShiftModifier); // the first cell: out
        QVERIFY(!inGrid());

        d.Table1->setFocus();
        key(Qt::Key_Right);
        QCOMPARE(d.Table1->currentColumn(), 1);
        key(Qt::Key_Left);
        type("c");
        key(Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!inGrid());
        QCOMPARE(d.Table1->item(0, 0)->text(), QStringLiteral("c"));

        key(Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QCOMPARE(d.Table1->item(0, 0)->text(), QStringLiteral("c"));

        // OK while a cell is still being typed into takes its text too.
        d.Table1->setFocus();
        d.Table1->setCurrentCell(0, 1);
        type("d");
        d.BitBtn1->click();
        QVERIFY(d.collectedText().contains(QStringLiteral(" <TD>c</TD>\r\n\r\n <TD>d</TD>")));
    }

    void resizeRefitsTheGrid()
    {
        TInsTable d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const int before = d.Table1->columnWidth(0);
        d.resize(800, 600);
        QTRY_VERIFY(d.Table1->columnWidth(0) > before);
        QCOMPARE(d.Table1->columnWidth(0), (d.Table1->width() - 6) / 2);
        QCOMPARE(d.Table1->rowHeight(0), d.Table1->height() - 3);
    }
};

VORLANE_TEST_MAIN(TableGeneratorDialogTest)
#include "table_generator_dialog_test.moc"
