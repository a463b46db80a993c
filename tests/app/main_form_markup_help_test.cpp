#include "app/main_form.h"
#include "app/status_label.h"
#include "core/settings_store.h"
#include "editor/go_to_line_dialog.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusTipEvent>

#include <memory>

class MainFormMarkupHelpTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompter> prompter;

private Q_SLOTS:
    void init()
    {
        clearSettings();
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        prompter = std::make_unique<ScriptedPrompter>();
    }
    void cleanup() { prompter.reset(); }

    void switches_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("caption");
        QTest::newRow("highlighting") << "HighlightMarkup1"
                                      << "Highlighting"
                                      << "Highlight &Markup";
        QTest::newRow("line numbers") << "LineNumbers1"
                                      << "Line Numbers"
                                      << "&Line Numbers";
        QTest::newRow("tag completion") << "TagCompletion1"
                                        << "Tag Completion"
                                        << "Tag &Completion";
        QTest::newRow("spelling") << "SpellingAsYouType1"
                                  << "Spelling"
                                  << "Check &Spelling as You Type";
    }
    void switches()
    {
        QFETCH(QString, item);
        QFETCH(QString, setting);
        QFETCH(QString, caption);
        const SettingKey& key = settingNamed(setting);
        auto state = [&](TMainForm& form) {
            TMarginRichEdit* e = form.editor();
            const bool on = item == "HighlightMarkup1" ? e->Highlighting()
                            : item == "LineNumbers1"   ? e->LineNumbers()
                            : item == "SpellingAsYouType1"
                                ? form.findChild<TSpellingAsYouType*>()->isEnabled()
                                : e->TagCompletion();
            if (form.actionNamed(item)->isChecked() != on)
                qFatal("check mark and editor disagree");
            return on;
        };
        {
            TMainForm form;
            QCOMPARE(form.actionNamed(item)->text(), caption);
            form.FormActivate();
            QVERIFY(state(form)); // on by default
            form.actionNamed(item)->trigger();
            QVERIFY(!state(form));
            QCOMPARE(ReadSetting(key), QStringLiteral("N"));
        }
        {
            TMainForm form;
            form.FormActivate();
            QVERIFY(!state(form)); // kept for the next start
            form.actionNamed(item)->trigger();
            QVERIFY(state(form));
            QCOMPARE(ReadSetting(key), QStringLiteral("Y"));
        }
        WriteSetting(key, QStringLiteral("y")); // flags compare exactly
        TMainForm form;
        form.FormActivate();
        QVERIFY(!state(form));
    }

    void toolsAccessKeysStayUnique()
    {
        TMainForm form;
        QSet<QChar> keys;
        for (QAction* a : form.findChild<QMenu*>(QStringLiteral("Window1"))->actions()) {
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            if (a->isSeparator() || amp < 0)
                continue;
            const QChar k = a->text().at(amp + 1).toUpper();
            QVERIFY2(!keys.contains(k), qPrintable(a->text()));
            keys.insert(k);
        }
        QCOMPARE(form.action("GoToLine1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
        QCOMPARE(form.action("MatchingTag1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    }

    void goToLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("line"); // where the caret ends; its line starts it
        QTest::addColumn<bool>("complained");
        QTest::newRow("a line") << "2" << 2 << false;
        QTest::newRow("past the end") << "999" << 4 << false;
        QTest::newRow("not a number, then cancelled") << "two" << 3 << true;
    }
    void goToLine()
    {
        QFETCH(QString, typed);
        QFETCH(int, line);
        QFETCH(bool, complained);
        TMainForm form;
        TMarginRichEdit* editor = form.editor();
        editor->SetEditorText(QStringLiteral("one\ntwo\nthree\nfour"));
        editor->SetSelectionStart(9); // in "three"
        bool openAfterOk = false;
        prompter->onDialog(QStringLiteral("TGoToLine"), [&](QDialog& d) {
            auto& dialog = static_cast<TGoToLine&>(d);
            QCOMPARE(dialog.Edit1->text(), QStringLiteral("3")); // the caret's line
            dialog.Edit1->setText(typed);
            dialog.BitBtn1->click();
            openAfterOk = dialog.result() != QDialog::Accepted;
            if (openAfterOk)
                dialog.BitBtn2->click();
        });
        form.action("GoToLine1")->trigger();
        QCOMPARE(openAfterOk, complained);
        QCOMPARE(prompter->errors.size(), complained ? 1 : 0);
        if (complained)
            QVERIFY(
                prompter->errors.first().contains(QStringLiteral("'two' is not a line number")));
        QCOMPARE(editor->CaretLine(), line);
        QCOMPARE(editor->CaretColumn(), complained ? 2 : 1);
        QCOMPARE(editor->EditorText(), QStringLiteral("one\ntwo\nthree\nfour"));
    }

    void goToMatchingTagAndBack()
    {
        TMainForm form;
        TMarginRichEdit* editor = form.editor();
        editor->SetEditorText(QStringLiteral("<UL>\n<LI>one\n</UL><BR>"));
        editor->SetSelectionStart(2);
        form.action("MatchingTag1")->trigger();
        QCOMPARE(editor->SelectionStart(), 15);
        form.action("MatchingTag1")->trigger();
        QCOMPARE(editor->SelectionStart(), 1);
        // An LI without its end tag ends where its list's end tag starts.
        editor->SetSelectionStart(7);
        form.action("MatchingTag1")->trigger();
        QCOMPARE(editor->SelectionStart(), 13);
        // A tag without a partner leaves the caret where it is.
        editor->SetSelectionStart(19);
        form.action("MatchingTag1")->trigger();
        QCOMPARE(editor->SelectionStart(), 19);
        QCOMPARE(editor->SelectionLength(), 0);
    }

    // The caret's place has its own field; the status label keeps the hints and messages, as
    // plain text on one line.
    void caretPositionHasItsOwnField()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.startupDone());
        QTRY_COMPARE(form.Label1->text(), QStringLiteral("Welcome to Vorlane!"));
        form.editor()->SetEditorText(QStringLiteral("ab\ncd\u00e9f"));
        form.editor()->SetSelectionStart(7);
        QTRY_COMPARE(form.CaretPosition->text(), QStringLiteral("Line 2, Col 5"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Welcome to Vorlane!"));
        QVERIFY(form.CaretPosition->geometry().left() > form.Label1->geometry().right());
        form.action("Bold1")->showStatusText(&form);
        QCOMPARE(form.Label1->text(), QStringLiteral("Bold Text"));
        form.editor()->SetSelectionStart(1);
        QTRY_COMPARE(form.CaretPosition->text(), QStringLiteral("Line 1, Col 2"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Bold Text"));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(&form, &none);
        QCOMPARE(form.Label1->text(), QString());
    }

    void statusLabelShowsAHintAsPlainTextOnOneLine()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString hint =
            QStringLiteral("Starts a new document with the <HEAD> and <BODY>,etc already made");
        form.action("QuickStart1")->showStatusText(&form);
        auto* label = static_cast<TStatusLabel*>(form.Label1);
        QCOMPARE(label->text(), hint);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(!label->wordWrap());
        QTRY_COMPARE(label->shownText(), hint);
        // A narrow window cuts it short at the end instead of wrapping or widening.
        form.resize(form.minimumWidth(), form.height());
        label->resize(120, label->height());
        QVERIFY(label->shownText().endsWith(QChar(0x2026)));
        QVERIFY(hint.startsWith(label->shownText().chopped(1)));
        QVERIFY(label->minimumSizeHint().width() < 120);
    }
};

VORLANE_TEST_MAIN(MainFormMarkupHelpTest)
#include "main_form_markup_help_test.moc"
