#include "core/app_error.h"
#include "page/body_properties_dialog.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

namespace {
const QString e;

// Colour and underline of the sample's seven lines, and its background.
struct SampleLook
{
    QColor background;
    QList<QColor> colors;
    QList<bool> underlined;
    bool centred = true;
};
SampleLook sampleLook(const TBodyProperties& d)
{
    SampleLook look;
    look.background = d.Sample->palette().color(QPalette::Base);
    for (QTextBlock b = d.Sample->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        const QTextCharFormat f = b.begin().fragment().charFormat();
        look.colors.append(f.foreground().color());
        look.underlined.append(f.fontUnderline());
        look.centred &=
            (b.blockFormat().alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignHCenter;
    }
    return look;
}
} // namespace

class BodyPropertiesDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void designValues();
    void fieldsRoundTrip();
    void samplesFromFields_data();
    void samplesFromFields();
    void badColourLeavesSamplesAlone();
    void confirmedFlagFollowsTheLatestShowing();
    void colourButtons_data();
    void colourButtons();
    void colourDialogRemembersWithinAShowing();
    void browse_data();
    void browse();
    void okWritesForwardSlashes();
    void opensOnItsFirstField();
};

void BodyPropertiesDialogTest::opensOnItsFirstField()
{
    TBodyProperties d;
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(QApplication::focusWidget(), d.DocTitle);
}

void BodyPropertiesDialogTest::designValues()
{
    TBodyProperties d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Document Properties"));
    QCOMPARE(d.fields(), (QStringList{e, "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#FF0000"}));
    QCOMPARE(d.DocTitle->text(), e);
    QCOMPARE(d.Shape1->brushColor(), QColor(Qt::white));
    QCOMPARE(d.Shape3->brushColor(), QColor(0, 0, 255));
    QCOMPARE(d.Shape5->brushColor(), QColor(255, 0, 0));
    QCOMPARE(d.Shape1->toolTip(), QStringLiteral("Click to change color"));
    auto* notebook = d.findChild<QTabWidget*>();
    QVERIFY(notebook);
    QCOMPARE(notebook->tabText(0), QStringLiteral("Document and Body"));
    QCOMPARE(notebook->tabText(1), QStringLiteral("Meta Information"));
    for (const char* name :
         {"DocTitle", "Edit2", "Edit6", "BgImageFile", "Edit7", "Edit8", "Edit9"})
        QVERIFY2(d.findChild<QLineEdit*>(QLatin1String(name)), name);
    for (const char* name : {"Button1", "Button5", "BitBtn1", "BitBtn2"})
        QVERIFY2(d.findChild<QPushButton*>(QLatin1String(name)), name);
    QVERIFY(d.findChild<QToolButton*>(QStringLiteral("SpeedButton1")));
    QVERIFY(d.Sample->isReadOnly());
    QCOMPARE(d.Sample->toPlainText(),
             QStringLiteral("Normal Text\n\nLink Text\n\nVisited Link\n\nActive Link"));
}

void BodyPropertiesDialogTest::fieldsRoundTrip()
{
    TBodyProperties d;
    const QStringList six{"a.gif", "red", "", "#123456", "x", "'y'"};
    d.setFields(QStringLiteral("Title"), six);
    QCOMPARE(d.fields(), six);
    QCOMPARE(d.DocTitle->text(), QStringLiteral("Title"));
    QCOMPARE(d.BgImageFile->text(), QStringLiteral("a.gif"));
    QCOMPARE(d.Edit4->text(), QStringLiteral("#123456"));
    // Empty attributes empty their fields: the design texts are not kept.
    d.setFields(e, {e, e, e, e, e, e});
    QCOMPARE(d.fields(), (QStringList{e, e, e, e, e, e}));
}

void BodyPropertiesDialogTest::samplesFromFields_data()
{
    QTest::addColumn<QStringList>("six");
    QTest::addColumn<QList<QColor>>("shapes");
    const QColor silver(0xC0, 0xC0, 0xC0);
    QTest::newRow("all empty: silver")
        << QStringList{e, e, e, e, e, e} << QList<QColor>{silver, silver, silver, silver, silver};
    QTest::newRow("names and digits")
        << QStringList{"x.gif", "navy", "#FF8000", "00ff00", "TEAL", "#FFF"}
        << QList<QColor>{QColor(0, 0, 0xA0), QColor(0xFF, 0x80, 0), QColor(0, 0xFF, 0),
                         QColor(0x40, 0x80, 0x80), QColor(0xFF, 0x0F, 0)};
}

void BodyPropertiesDialogTest::samplesFromFields()
{
    QFETCH(QStringList, six);
    QFETCH(QList<QColor>, shapes);
    TBodyProperties d;
    d.setFields(e, six);
    d.updateSamplesFromFields();
    const TShape* all[] = {d.Shape1, d.Shape2, d.Shape3, d.Shape4, d.Shape5};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(all[i]->brushColor(), shapes.at(i));
    const SampleLook look = sampleLook(d);
    QCOMPARE(look.background, shapes.at(0));
    QCOMPARE(look.colors, (QList<QColor>{shapes.at(1), shapes.at(2), shapes.at(3), shapes.at(4)}));
    QCOMPARE(look.underlined, (QList<bool>{false, true, true, true}));
    QVERIFY(look.centred);
}

void BodyPropertiesDialogTest::badColourLeavesSamplesAlone()
{
    TBodyProperties d;
    d.setFields(e, {e, "black", "black", "orange", e, e});
    try {
        d.updateSamplesFromFields();
        QFAIL("no failure raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("'$geanor' is not a valid integer value"));
    }
    QCOMPARE(d.Shape1->brushColor(), QColor(Qt::white));
    QCOMPARE(d.Shape2->brushColor(), QColor(Qt::black));
    QCOMPARE(d.Shape3->brushColor(), QColor(0, 0, 255));
}

void BodyPropertiesDialogTest::confirmedFlagFollowsTheLatestShowing()
{
    // OK accepts; the close box and Cancel do not, whatever an earlier showing did.
    ScriptedPrompter prompter;
    TBodyProperties d;
    const auto closeWith = [&](const std::function<void(TBodyProperties&)>& how) {
        prompter.onDialog(QStringLiteral("TBodyProperties"),
                          [how](QDialog& dialog) { how(static_cast<TBodyProperties&>(dialog)); });
        return prompter.exec(d);
    };
    QCOMPARE(closeWith([](TBodyProperties& p) { p.BitBtn1->click(); }), int(QDialog::Accepted));
    QCOMPARE(closeWith([](TBodyProperties& p) { p.close(); }), int(QDialog::Rejected));
    QCOMPARE(closeWith([](TBodyProperties& p) { p.BitBtn1->click(); }), int(QDialog::Accepted));
    QCOMPARE(closeWith([](TBodyProperties& p) { p.BitBtn2->click(); }), int(QDialog::Rejected));
}

void BodyPropertiesDialogTest::colourButtons_data()
{
    QTest::addColumn<int>("button");
    for (int i = 1; i <= 5; ++i)
        QTest::addRow("Button%d", i) << i;
}

void BodyPropertiesDialogTest::colourButtons()
{
    QFETCH(int, button);
    ScriptedPrompter prompter;
    TBodyProperties d;
    d.setFields(e, {e, e, e, e, e, e});
    d.updateSamplesFromFields();
    const SampleLook before = sampleLook(d);
    QLineEdit* fields[] = {d.Edit2, d.Edit3, d.Edit4, d.Edit5, d.Edit6};
    TShape* shapes[] = {d.Shape1, d.Shape2, d.Shape3, d.Shape4, d.Shape5};
    auto* b = d.findChild<QPushButton*>(QStringLiteral("Button%1").arg(button));
    QVERIFY(b);

    const QColor orange(0xFF, 0x80, 0x00);
    prompter.colorAnswers = {orange, std::nullopt};
    b->click();
    QCOMPARE(prompter.colorRequests.first(), QColor(Qt::black)); // a fresh dialog starts black
    QCOMPARE(fields[button - 1]->text(), QStringLiteral("#FF8000"));
    QCOMPARE(shapes[button - 1]->brushColor(), orange);
    const SampleLook after = sampleLook(d);
    if (button == 1) {
        QCOMPARE(after.background, orange);
        QCOMPARE(after.colors, before.colors);
    } else {
        QCOMPARE(after.background, before.background);
        QCOMPARE(after.colors.at(button - 2), orange);
    }
    // Only the one field changed.
    for (int i = 0; i < 5; ++i) {
        if (i != button - 1)
            QCOMPARE(fields[i]->text(), e);
    }

    b->click(); // cancelled: nothing changes
    QCOMPARE(fields[button - 1]->text(), QStringLiteral("#FF8000"));
    QCOMPARE(shapes[button - 1]->brushColor(), orange);
    QVERIFY(prompter.unexpected.isEmpty());
}

void BodyPropertiesDialogTest::colourDialogRemembersWithinAShowing()
{
    ScriptedPrompter prompter;
    TBodyProperties d;
    prompter.colorAnswers = {QColor(1, 2, 3), QColor(4, 5, 6), QColor(7, 8, 9)};
    prompter.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& dialog) {
        auto& body = static_cast<TBodyProperties&>(dialog);
        body.Button1->click();
        body.Button4->click();
        body.BitBtn2->click();
    });
    prompter.exec(d);
    prompter.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& dialog) {
        static_cast<TBodyProperties&>(dialog).Button2->click();
        dialog.reject();
    });
    prompter.exec(d);
    QCOMPARE(prompter.colorRequests,
             (QList<QColor>{QColor(Qt::black), QColor(1, 2, 3), QColor(Qt::black)}));
    // Typing into a colour field does not touch its sample.
    d.Edit3->setText(QStringLiteral("#FFFFFF"));
    QCOMPARE(d.Shape2->brushColor(), QColor(7, 8, 9));
}

void BodyPropertiesDialogTest::browse_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("field");
    QTest::newRow("beside the page") << "/site/index.html"
                                     << "/site/bg.gif"
                                     << "/site"
                                     << "bg.gif";
    QTest::newRow("sub folder") << "/site/index.html"
                                << "/site/img/bg.gif"
                                << "/site"
                                << "img/bg.gif";
    QTest::newRow("elsewhere") << "/site/index.html"
                               << "/pics/bg.gif"
                               << "/site"
                               << "/pics/bg.gif";
    QTest::newRow("untitled") << "Untitled"
                              << "/site/bg.gif"
                              << ""
                              << "/site/bg.gif";
    QTest::newRow("cancelled") << "/site/index.html"
                               << ""
                               << "/site"
                               << "old.gif";
}

void BodyPropertiesDialogTest::browse()
{
    QFETCH(QString, document);
    QFETCH(QString, chosen);
    QFETCH(QString, folder);
    QFETCH(QString, field);
    ScriptedPrompter prompter;
    TBodyProperties d;
    d.setDocumentFileName(document);
    d.setFields(e, {QStringLiteral("old.gif"), e, e, e, e, e});
    Prompter::FileAnswer answer;
    if (!chosen.isEmpty())
        answer.files = {chosen};
    prompter.openAnswers = {answer};
    prompter.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& dialog) {
        auto& body = static_cast<TBodyProperties&>(dialog);
        body.SpeedButton1->click();
        body.BitBtn1->click();
    });
    prompter.exec(d);
    QCOMPARE(prompter.openRequests.size(), 1);
    QCOMPARE(prompter.openRequests.first().folder, folder);
    QCOMPARE(d.BgImageFile->text(), field);
}

void BodyPropertiesDialogTest::okWritesForwardSlashes()
{
    ScriptedPrompter prompter;
    TBodyProperties d;
    d.setFields(e, {QStringLiteral("img\\sub\\bg.gif"), e, e, e, e, e});
    prompter.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& dialog) {
        static_cast<TBodyProperties&>(dialog).BitBtn2->click();
    });
    prompter.exec(d);
    QCOMPARE(d.BgImageFile->text(), QStringLiteral("img\\sub\\bg.gif")); // Cancel leaves it
    prompter.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& dialog) {
        static_cast<TBodyProperties&>(dialog).BitBtn1->click();
    });
    prompter.exec(d);
    QCOMPARE(d.BgImageFile->text(), QStringLiteral("img/sub/bg.gif"));
}

VORLANE_TEST_MAIN(BodyPropertiesDialogTest)
#include "body_properties_dialog_test.moc"
