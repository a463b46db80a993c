#include "core/pending_markup.h"
#include "support/test_main.h"
#include "wizards/insert_link_dialog.h"
#include "wizards/link_markup.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

class InsertLinkDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PendingMarkup::take(); }

    void markup_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("markup");
        // clang-format off
        QTest::newRow("default prefix") << "http://" << "example" << "Example"
            << "<A HREF=http://example>Example</A>";
        QTest::newRow("mailto") << "mailto:" << "info" << "Write to us"
            << "<A HREF=mailto:info>Write to us</A>";
        QTest::newRow("typed prefix") << "gopher:" << "//x" << "x" << "<A HREF=gopher://x>x</A>";
        QTest::newRow("empty prefix") << "" << "a.html" << "A" << "<A HREF=a.html>A</A>";
        QTest::newRow("empty text") << "ftp://" << "f" << "" << "<A HREF=ftp://f></A>";
        QTest::newRow("address quoted, text as typed") << "http://" << "a b?c=\"d\"" << "<&>"
            << "<A HREF=\"http://a b?c=&quot;d&quot;\"><&></A>";
        // clang-format on
    }
    void markup()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, address);
        QFETCH(QString, text);
        QFETCH(QString, markup);
        QCOMPARE(buildLinkMarkup(prefix, address, text), markup);

        // The same through the dialog's controls; the target never reaches the markup.
        TInsLink d;
        d.show();
        d.ComboBox1->setCurrentText(prefix);
        d.Edit1->setText(address);
        d.Edit2->setText(text);
        d.Edit3->setText(QStringLiteral("_blank"));
        QTest::mouseClick(d.OK, Qt::LeftButton);
        QCOMPARE(PendingMarkup::take().text, markup);
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void designValues()
    {
        TInsLink d;
        QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("http://"));
        QStringList items;
        for (int i = 0; i < d.ComboBox1->count(); ++i)
            items << d.ComboBox1->itemText(i);
        QCOMPARE(items, (QStringList{"http://", "ftp://", "mailto:", "telnet://", "file://"}));
        QVERIFY(!d.OK->isEnabled());
    }

    void tabOrder()
    {
        TInsLink d;
        const QList<QWidget*> expected{d.Edit1, d.Edit2, d.OK, d.BitBtn1, d.ComboBox1, d.Edit3};
        for (int i = 0; i + 1 < expected.size(); ++i) {
            // An editable combo box hands focus to its line edit; its proxy is the combo.
            QWidget* next = expected[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus || next->focusProxy())
                next = next->nextInFocusChain();
            if (next->parentWidget() == d.ComboBox1)
                next = d.ComboBox1;
            QCOMPARE(next, expected[i + 1]);
        }
    }

    void okStaysEnabledOnceTheAddressChanged()
    {
        TInsLink d;
        d.show();
        QTest::keyClicks(d.Edit1, QStringLiteral("x"));
        QVERIFY(d.OK->isEnabled());
        d.Edit1->clear();
        QVERIFY(d.OK->isEnabled());
        QTest::mouseClick(d.OK, Qt::LeftButton);
        QCOMPARE(PendingMarkup::take().text, QStringLiteral("<A HREF=http://></A>"));
    }

    void cancelEmptiesPendingMarkup()
    {
        PendingMarkup::take().text = QStringLiteral("left over");
        TInsLink d;
        d.show();
        d.Edit1->setText(QStringLiteral("x"));
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QVERIFY(PendingMarkup::take().text.isEmpty());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }
};

VORLANE_TEST_MAIN(InsertLinkDialogTest)
#include "insert_link_dialog_test.moc"
