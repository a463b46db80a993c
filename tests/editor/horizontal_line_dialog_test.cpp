#include "core/pending_markup.h"
#include "editor/horizontal_line_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class HorizontalLineDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PendingMarkup::take(); }

    void defaults()
    {
        THorzLine dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Insert Horizontal Line"));
        QCOMPARE(dialog.Edit1->text(), QString());
        QVERIFY(dialog.RadioButton1->isChecked());
        QVERIFY(!dialog.RadioButton2->isChecked());
        QCOMPARE(dialog.ComboBox1->currentText(), QStringLiteral("1"));
        QCOMPARE(dialog.ComboBox1->count(), 6);
        QVERIFY(dialog.ComboBox1->isEditable());
        QCOMPARE(dialog.ComboBox2->currentText(), QStringLiteral("<none>"));
        QCOMPARE(dialog.ComboBox2->itemText(3), QStringLiteral("center"));
        QVERIFY(dialog.ComboBox2->isEditable());
        QCOMPARE(dialog.StaticText1->text(), QStringLiteral("Default"));
        dialog.BitBtn1->click();
        QCOMPARE(PendingMarkup::take().text, QStringLiteral("<HR SIZE=1>"));
    }

    void swatch_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("textColor");
        QTest::newRow("black") << QColor(0, 0, 0) << "#000000" << QColor(Qt::white);
        QTest::newRow("red") << QColor(255, 0, 0) << "#FF0000" << QColor(Qt::black);
        QTest::newRow("nearly black") << QColor(0, 0, 1) << "#000001" << QColor(Qt::black);
        QTest::newRow("mixed") << QColor(0x12, 0xAB, 0xCD) << "#12ABCD" << QColor(Qt::black);
    }
    void swatch()
    {
        QFETCH(QColor, color);
        ScriptedPrompter prompter;
        prompter.colorAnswers = {color};
        THorzLine dialog;
        dialog.Button1->click();
        QTEST(dialog.StaticText1->text(), "text");
        QCOMPARE(dialog.StaticText1->palette().color(QPalette::Window), color);
        QTEST(dialog.StaticText1->palette().color(QPalette::WindowText), "textColor");
        // The colour dialog starts on grey.
        QCOMPARE(prompter.colorRequests.value(0), QColor(128, 128, 128));
        dialog.BitBtn1->click();
        QFETCH(QString, text);
        QCOMPARE(PendingMarkup::take().text, "<HR SIZE=1 COLOR=" + text + ">");
    }

    void cancelledColourChangesNothing()
    {
        ScriptedPrompter prompter;
        prompter.colorAnswers = {std::nullopt};
        THorzLine dialog;
        dialog.Button1->click();
        QCOMPARE(dialog.StaticText1->text(), QStringLiteral("Default"));
        dialog.BitBtn1->click();
        QCOMPARE(PendingMarkup::take().text, QStringLiteral("<HR SIZE=1>"));
    }

    void cancelLeavesNothing()
    {
        THorzLine dialog;
        dialog.Edit1->setText("50");
        dialog.BitBtn2->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(PendingMarkup::take().text, QString());
    }
};

VORLANE_TEST_MAIN(HorizontalLineDialogTest)
#include "horizontal_line_dialog_test.moc"
