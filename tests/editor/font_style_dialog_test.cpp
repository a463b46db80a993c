#include "core/pending_markup.h"
#include "editor/font_style_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class FontStyleDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PendingMarkup::take(); }

    void startsUntouched()
    {
        TFontAndStyle dialog;
        dialog.BitBtn1->setEnabled(true);
        dialog.CheckBox2->setChecked(true);
        dialog.show();
        dialog.ListBox1->setFocus(); // the focus alone picks no typeface
        QCoreApplication::processEvents();
        QCOMPARE(dialog.typeface(), QString());
        QVERIFY(!dialog.BitBtn1->isEnabled());
        QVERIFY(!dialog.CheckBox2->isChecked());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Font & Style"));
        QCOMPARE(dialog.ListBox1->count(), 7);
        QCOMPARE(dialog.ListBox1->item(3)->text(), QStringLiteral("MS Sans Serif"));
        QVERIFY(dialog.ListBox1->selectedItems().isEmpty());
        QCOMPARE(dialog.ComboBox1->currentIndex(), -1);
        QVERIFY(!dialog.ComboBox1->isEditable());
        QStringList sizes;
        for (int i = 0; i < dialog.ComboBox1->count(); ++i)
            sizes << dialog.ComboBox1->itemText(i);
        QCOMPARE(sizes, QStringList({"+1", "+2", "+3", "+4", "+5", "+6", "-1", "-2", "-3", "-4",
                                     "-5", "-6"}));
        QCOMPARE(dialog.FontExample->text(), QStringLiteral("Aa Bb Cc Dd Ee Ff Gg"));
        QVERIFY(!dialog.SizeChosen);
    }

    // Each kind of choice enables OK on its own.
    void okEnabling_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("typeface") << "list";
        QTest::newRow("size") << "size";
        QTest::newRow("bold") << "CheckBox1";
        QTest::newRow("italics") << "CheckBox2";
        QTest::newRow("underlined") << "CheckBox3";
    }
    void okEnabling()
    {
        QFETCH(QString, action);
        TFontAndStyle dialog;
        dialog.show();
        QVERIFY(!dialog.BitBtn1->isEnabled());
        if (action == "list")
            dialog.ListBox1->setCurrentRow(6);
        else if (action == "size")
            dialog.ComboBox1->setCurrentIndex(0);
        else
            dialog.findChild<QCheckBox*>(action)->click();
        QVERIFY(dialog.BitBtn1->isEnabled());
    }

    void listClickSetsTheSample()
    {
        TFontAndStyle dialog;
        dialog.show();
        dialog.ListBox1->setCurrentRow(4);
        QCOMPARE(dialog.FontExample->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(dialog.typeface(), QStringLiteral("Times New Roman"));
    }

    void okBuildsBothParts()
    {
        TFontAndStyle dialog;
        dialog.show();
        dialog.ListBox1->setCurrentRow(6);
        dialog.ComboBox1->setCurrentIndex(dialog.ComboBox1->findText("+2"));
        dialog.CheckBox1->click();
        dialog.CheckBox3->click();
        dialog.BitBtn1->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        {
            const auto pending = PendingMarkup::take();
            QCOMPARE(pending.text, QStringLiteral("<FONT FACE=\"Verdana\" SIZE=+2><B><U>"));
            QCOMPARE(pending.closing, QStringLiteral("</B></U></FONT>"));
        }
    }

    void tickedAndClearedBuildsNothing()
    {
        TFontAndStyle dialog;
        dialog.show();
        dialog.CheckBox1->click();
        dialog.CheckBox1->click();
        QVERIFY(dialog.BitBtn1->isEnabled());
        dialog.BitBtn1->click();
        {
            const auto pending = PendingMarkup::take();
            QCOMPARE(pending.text, QString());
            QCOMPARE(pending.closing, QString());
        }
    }

    void cancelBuildsNothing()
    {
        TFontAndStyle dialog;
        dialog.show();
        dialog.ListBox1->setCurrentRow(0);
        dialog.BitBtn2->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        {
            const auto pending = PendingMarkup::take();
            QCOMPARE(pending.text, QString());
            QCOMPARE(pending.closing, QString());
        }
    }

    void otherFontStandsInForTheList()
    {
        ScriptedPrompter prompter;
        QFont picked;
        picked.setFamily(QStringLiteral("Book Antiqua"));
        prompter.fontAnswers = {picked, std::nullopt};
        TFontAndStyle dialog;
        dialog.show();
        dialog.ListBox1->setCurrentRow(0);
        dialog.BitBtn3->click();
        QCOMPARE(dialog.typeface(), QStringLiteral("Book Antiqua"));
        QCOMPARE(dialog.ListBox1->currentRow(), -1);
        // A cancelled font dialog changes nothing.
        dialog.BitBtn3->click();
        QCOMPARE(dialog.typeface(), QStringLiteral("Book Antiqua"));
        dialog.BitBtn1->click();
        {
            const auto pending = PendingMarkup::take();
            QCOMPARE(pending.text, QStringLiteral("<FONT FACE=\"Book Antiqua\">"));
            QCOMPARE(pending.closing, QStringLiteral("</FONT>"));
        }
    }

    void otherFontAloneEnablesOk()
    {
        ScriptedPrompter prompter;
        QFont picked;
        picked.setFamily(QStringLiteral("Garamond"));
        prompter.fontAnswers = {picked};
        TFontAndStyle dialog;
        dialog.show();
        dialog.BitBtn3->click();
        QVERIFY(dialog.BitBtn1->isEnabled());
        // Clicking the list afterwards takes over again.
        dialog.ListBox1->setCurrentRow(1);
        QCOMPARE(dialog.typeface(), QStringLiteral("Courier"));
    }
};

VORLANE_TEST_MAIN(FontStyleDialogTest)
#include "font_style_dialog_test.moc"
