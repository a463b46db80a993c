#include "core/pending_markup.h"
#include "core/settings_store.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"
#include "wizards/insert_image_dialog.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

namespace {
QByteArray jpegBytes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// Inside width of the widened dialog: 592 pixels outside with the design's 4-pixel borders,
// whatever frame the window manager draws.
constexpr int kWideWidth = 584;

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}
} // namespace

class InsertImageDialogTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString web_, doc_, jpg_, gif_, upperJpg_;

    // Shows the dialog as the command would and makes it the active window, so focus moves.
    static void showActive(TInsImg& d)
    {
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }
    // Types a name into the box and tabs away from it, as the user would.
    static void typeAndLeave(TInsImg& d, const QString& name)
    {
        d.ImageEditBox->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(d.ImageEditBox, name);
        d.Edit3->setFocus(Qt::TabFocusReason);
    }

private Q_SLOTS:
    void initTestCase()
    {
        web_ = dir_.filePath(QStringLiteral("web/"));
        doc_ = web_ + QStringLiteral("index.html");
        jpg_ = writeFile(web_ + QStringLiteral("pics/a.jpg"), jpegBytes(120, 80));
        gif_ = writeFile(web_ + QStringLiteral("b.gif"), QByteArray("GIF89a"));
        upperJpg_ = writeFile(web_ + QStringLiteral("photo.JPG"), jpegBytes(12, 9));
    }
    void init()
    {
        clearSettings();
        PendingMarkup::take();
    }

    void designValues()
    {
        TInsImg d(QStringLiteral("Untitled"));
        QCOMPARE(d.width(), 359);
        QVERIFY(!d.OK->isEnabled());
        QCOMPARE(d.AlignBox->currentText(), QStringLiteral("(none)"));
        QCOMPARE(items(d.AlignBox),
                 (QStringList{"(none)", "Left", "Right", "Center", "Top ", "Bottom", "Abscenter"}));
        QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("No (0)"));
        QCOMPARE(items(d.ComboBox1),
                 (QStringList{"No (0)", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        QVERIFY(d.CheckBox2->isHidden());
        QVERIFY(d.OpenDialog1.allowMultiple);
        d.show();
        QVERIFY(d.CheckBox1->isChecked());       // ticked on activation
        QVERIFY(d.OpenDialog1.folder.isEmpty()); // untitled: no starting folder
        // "All Images" lists every kind the preview can show, in any letter case.
        const QString all = d.OpenDialog1.filters.constFirst();
        QVERIFY(all.startsWith(QStringLiteral("All Images (")));
        const QStringList patterns =
            all.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(' '));
        auto listed = [&](const QString& name) {
            return std::any_of(patterns.begin(), patterns.end(), [&](const QString& pattern) {
                return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                    .match(name)
                    .hasMatch();
            });
        };
        for (const char* name : {"a.gif", "b.JPG", "c.jpeg", "d.Bmp", "e.ICO", "f.Jpeg"})
            QVERIFY2(listed(QString::fromLatin1(name)), name);
        QVERIFY(!listed(QStringLiteral("g.png")));
    }

    // Widening keeps the whole dialog on the screen, even from its right edge.
    void wideningStaysOnScreen()
    {
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        const QRect room = d.screen()->availableGeometry();
        d.move(room.right() - d.frameGeometry().width(), room.top() + 10);
        prompter.openAnswers.append({{jpg_}, false});
        d.BitBtn2Click();
        QCOMPARE(d.width(), kWideWidth);
        QVERIFY(room.contains(d.frameGeometry()));
    }

    void activationReadsShorteningFlag_data()
    {
        QTest::addColumn<QString>("stored"); // null: not stored
        QTest::addColumn<QString>("flag");
        QTest::newRow("absent") << QString() << "Y";
        QTest::newRow("Y") << "Y"
                           << "Y";
        QTest::newRow("lower y") << "y"
                                 << "N";
        QTest::newRow("N") << "N"
                           << "N";
        QTest::newRow("empty") << ""
                               << "N";
    }
    void activationReadsShorteningFlag()
    {
        QFETCH(QString, stored);
        QFETCH(QString, flag);
        if (!stored.isNull())
            WriteSetting(Setting::ParseImagePaths, stored);
        TInsImg d(doc_);
        d.show();
        QCOMPARE(d.shortenPaths(), flag == QLatin1String("Y"));
        QCOMPARE(d.OpenDialog1.folder + QLatin1Char('/'), web_);
    }

    void brokenSettingIsReportedOnce()
    {
        writeSettingsFile("[General]\nParse%20Image%20Paths=a, b\n");
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        QApplication::setActiveWindow(nullptr);
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(prompter.errors,
                 QStringList{QStringLiteral("Invalid data type for 'Parse Image Paths'")});
    }

    void okEnabledByFirstChangeOnly()
    {
        TInsImg d(doc_);
        d.show();
        QVERIFY(!d.OK->isEnabled());
        d.ImageEditBox->setText(QStringLiteral("x"));
        QVERIFY(d.OK->isEnabled());
        d.ImageEditBox->clear();
        QVERIFY(d.OK->isEnabled());
    }

    void okReadsEveryField()
    {
        TInsImg d(QStringLiteral("Untitled"));
        d.show();
        d.ImageEditBox->setText(QStringLiteral("a\\b.gif"));
        d.Edit1->setText(QStringLiteral("10"));
        d.Edit2->setText(QStringLiteral("20"));
        d.Edit4->setText(QStringLiteral("Logo"));
        d.AlignBox->setCurrentIndex(4);
        d.ComboBox1->setCurrentIndex(2);
        d.Edit3->setText(QStringLiteral("home\\x.html"));
        QTest::mouseClick(d.OK, Qt::LeftButton);
        QCOMPARE(PendingMarkup::take().text,
                 QStringLiteral("<A HREF=home\\x.html><IMG SRC=a/b.gif WIDTH=10 HEIGHT=20 "
                                "ALT=\"Logo\" ALIGN=Top  BORDER=2></A>"));
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("a/b.gif"));
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void leavingTheBoxShortensAndPreviews()
    {
        TInsImg d(doc_);
        showActive(d);
        typeAndLeave(d, jpg_);
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("pics/a.jpg"));
        QCOMPARE(d.width(), kWideWidth);
        QCOMPARE(d.Edit1->text(), QStringLiteral("120"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("80"));
        QVERIFY(!d.Image1->pixmap().isNull());
        QTest::mouseClick(d.OK, Qt::LeftButton);
        QCOMPARE(PendingMarkup::take().text,
                 QStringLiteral("<IMG SRC=pics/a.jpg WIDTH=120 HEIGHT=80>"));
    }

    void clickingOkLeavesTheBoxFirst()
    {
        TInsImg d(doc_);
        showActive(d);
        d.CheckBox1->setChecked(false); // no size: only the name matters here
        d.ImageEditBox->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(d.ImageEditBox, jpg_);
        QTest::mouseClick(d.OK, Qt::LeftButton);
        QCOMPARE(PendingMarkup::take().text, QStringLiteral("<IMG SRC=pics/a.jpg>"));
    }

    void enterKeepsTheFullName()
    {
        TInsImg d(doc_);
        showActive(d);
        d.ImageEditBox->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(d.ImageEditBox, jpg_);
        QTest::keyClick(d.ImageEditBox, Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(PendingMarkup::take().text, QStringLiteral("<IMG SRC=") + jpg_ + QLatin1Char('>'));
    }

    void shorteningOffKeepsFullName()
    {
        WriteSetting(Setting::ParseImagePaths, QStringLiteral("N"));
        TInsImg d(doc_);
        showActive(d);
        typeAndLeave(d, jpg_);
        QCOMPARE(d.ImageEditBox->text(), jpg_);
    }

    void unreadableKindWidensWithoutPreview()
    {
        TInsImg d(doc_);
        showActive(d);
        d.Edit1->setText(QStringLiteral("7"));
        typeAndLeave(d, gif_);
        QCOMPARE(d.width(), kWideWidth);
        QVERIFY(d.Image1->pixmap().isNull());
        QCOMPARE(d.Edit1->text(), QStringLiteral("7"));
        QVERIFY(d.Edit2->text().isEmpty());
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("b.gif"));
    }

    void missingFileNeitherWidensNorPreviews()
    {
        TInsImg d(doc_);
        showActive(d);
        typeAndLeave(d, web_ + QStringLiteral("nothere.jpg"));
        QCOMPARE(d.width(), 359);
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("nothere.jpg"));
    }

    void upperCaseExtensionPreviewsOnlyWhenBrowsed()
    {
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        typeAndLeave(d, upperJpg_);
        QCOMPARE(d.width(), kWideWidth);
        QVERIFY(d.Edit1->text().isEmpty());
        prompter.openAnswers.append({{upperJpg_}, false});
        QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
        QCOMPARE(d.Edit1->text(), QStringLiteral("12"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("9"));
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("photo.JPG"));
        QCOMPARE(prompter.openRequests.size(), 1);
        QCOMPARE(prompter.openRequests.first().folder + QLatin1Char('/'), web_);
    }

    void previewBoxClearsAndReloads()
    {
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        prompter.openAnswers.append({{jpg_}, false});
        d.BitBtn2Click();
        QVERIFY(!d.Image1->pixmap().isNull());
        d.CheckBox1->setChecked(false);
        QVERIFY(d.Image1->pixmap().isNull());
        QVERIFY(!d.Image1->isEnabled());
        d.Edit1->clear();
        // The shortened name is found again in the page's folder.
        d.CheckBox1->setChecked(true);
        QVERIFY(d.Image1->isEnabled());
        QVERIFY(!d.Image1->pixmap().isNull());
        QCOMPARE(d.Edit1->text(), QStringLiteral("120"));
    }

    void severalFiles()
    {
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        const QString other = dir_.filePath(QStringLiteral("art/c.gif"));
        prompter.openAnswers.append({{jpg_, other, gif_}, false});
        d.BitBtn2Click();
        QVERIFY(d.severalFiles());
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("[Multiple Images]"));
        QVERIFY(!d.ImageEditBox->isEnabled());
        QCOMPARE(d.Edit1->text(), QStringLiteral("[n/a]"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("[n/a]"));
        QVERIFY(!d.Edit1->isEnabled() && !d.Edit2->isEnabled());
        QVERIFY(d.Label8->isHidden());
        QVERIFY(d.CheckBox2->isVisible());
        QVERIFY(d.OK->isEnabled());
        QCOMPARE(d.Memo1,
                 (QStringList{QStringLiteral("pics/a.jpg"), other, QStringLiteral("b.gif")}));

        // A cancelled browse keeps the files chosen before.
        prompter.openAnswers.append({{}, false});
        d.BitBtn2Click();
        QVERIFY(d.severalFiles());
        QCOMPARE(d.Memo1.size(), 3);

        d.CheckBox2->setChecked(true);
        d.Edit4->setText(QStringLiteral("pic"));
        d.OKClick();
        QCOMPARE(PendingMarkup::take().text,
                 QStringLiteral("<IMG SRC=pics/a.jpg ALT=\"pic\"><BR>\n<IMG SRC=") + other +
                     QStringLiteral(" ALT=\"pic\"><BR>\n<IMG SRC=b.gif ALT=\"pic\">"));
    }

    void singleBrowseEndsSeveralFiles()
    {
        ScriptedPrompter prompter;
        TInsImg d(doc_);
        showActive(d);
        prompter.openAnswers.append({{jpg_, gif_}, false});
        prompter.openAnswers.append({{jpg_}, false});
        d.BitBtn2Click();
        d.BitBtn2Click();
        QVERIFY(!d.severalFiles());
        QVERIFY(d.Memo1.isEmpty());
        QVERIFY(d.ImageEditBox->isEnabled() && d.Edit1->isEnabled() && d.Edit2->isEnabled());
        QCOMPARE(d.ImageEditBox->text(), QStringLiteral("pics/a.jpg"));
        QCOMPARE(d.Edit1->text(), QStringLiteral("120"));
        QVERIFY(!d.Label8->isHidden());
        QVERIFY(d.CheckBox2->isHidden());
        d.OKClick();
        QCOMPARE(PendingMarkup::take().text,
                 QStringLiteral("<IMG SRC=pics/a.jpg WIDTH=120 HEIGHT=80>"));
    }
};

VORLANE_TEST_MAIN(InsertImageDialogTest)
#include "insert_image_dialog_test.moc"
