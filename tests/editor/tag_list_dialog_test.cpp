#include "editor/tag_list_dialog.h"
#include "support/test_main.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

class TagListDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entriesFromTheData()
    {
        const QList<TagEntry> entries = tagReferenceEntries();
        QCOMPARE(entries.size(), 67);
        QCOMPARE(entries.first().name, QStringLiteral("ADDRESS"));
        QCOMPARE(entries.last().name, QStringLiteral("VAR"));
        QSet<QString> names;
        for (const TagEntry& e : entries) {
            QVERIFY2(!e.name.isEmpty() && !e.description.isEmpty(), qPrintable(e.name));
            QVERIFY2(!e.description.contains('\t') && !e.description.contains('\r'),
                     qPrintable(e.name));
            names.insert(e.name);
        }
        QCOMPARE(names.size(), 67);
    }

    void exactTexts_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("quotes inside") << 2 << "AREA"
                                       << "Defines \"hotspots\" in an image map.";
        QTest::newRow("A is fourth") << 3 << "A"
                                     << "An Anchor is used for links and to define target areas in "
                                        "your document with the NAME property.";
        QTest::newRow("no trailing blank") << 10 << "B"
                                           << "Bold text";
        QTest::newRow("typo kept") << 20 << "DT"
                                   << "Definitiono Term";
        QTest::newRow("trailing blank") << 22 << "FONT"
                                        << "Font Modification ";
        QTest::newRow("H1 without blank") << 24 << "H1"
                                          << "Level 1 header (largest)";
        QTest::newRow("H2 with blank") << 25 << "H2"
                                       << "Level 2 header ";
        QTest::newRow("blank after period") << 34 << "INPUT"
                                            << "Input field, button, etc. ";
        QTest::newRow("IMG") << 33 << "IMG"
                             << "Image";
        QTest::newRow("U") << 65 << "U"
                           << "Underline";
        QTest::newRow("VAR") << 66 << "VAR"
                             << "Variable ";
    }
    void exactTexts()
    {
        QFETCH(int, index);
        const QList<TagEntry> entries = tagReferenceEntries();
        QTEST(entries.value(index).name, "name");
        QTEST(entries.value(index).description, "description");
    }

    void parsingKeepsBlanks()
    {
        const QList<TagEntry> entries =
            parseTagEntries(QStringLiteral("X\tone  \nY\t two\r\n\nZ\n"));
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].description, QStringLiteral("one  "));
        QCOMPARE(entries[1].description, QStringLiteral(" two"));
        QCOMPARE(entries[2].name, QStringLiteral("Z"));
        QCOMPARE(entries[2].description, QString());
    }

    void windowStartsWithThePrompt()
    {
        TTagList dialog;
        // Shown and focused, as the user gets it: the focus alone picks no entry.
        dialog.show();
        dialog.ListBox1->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("HTML 3.2 Tag List"));
        QCOMPARE(dialog.ListBox1->count(), 67);
        QCOMPARE(dialog.ListBox2->count(), 67);
        QVERIFY(dialog.ListBox2->isHidden());
        QVERIFY(dialog.Memo1->isReadOnly());
        QCOMPARE(dialog.Memo1->toPlainText(),
                 QStringLiteral("Select a Tag from the list to the left to get \n"
                                "information or help on it."));
    }

    void selectionByPosition_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ADDRESS") << 0 << "ADDRESS is used to show contact or address information.";
        QTest::newRow("A") << 3
                           << "An Anchor is used for links and to define target areas in your "
                              "document with the NAME property.";
        QTest::newRow("P") << 47 << "Paragraph ";
        QTest::newRow("last") << 66 << "Variable ";
    }
    void selectionByPosition()
    {
        QFETCH(int, row);
        TTagList dialog;
        dialog.show();
        // An earlier choice is replaced, never added to.
        dialog.ListBox1->setCurrentRow(row == 1 ? 2 : 1);
        dialog.ListBox1->setCurrentRow(row);
        QTEST(dialog.Memo1->toPlainText(), "shown");
        QCOMPARE(dialog.Memo1->document()->blockCount(), 1);
    }

    void okCloses()
    {
        TTagList dialog;
        dialog.show();
        dialog.BitBtn1->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

VORLANE_TEST_MAIN(TagListDialogTest)
#include "tag_list_dialog_test.moc"
