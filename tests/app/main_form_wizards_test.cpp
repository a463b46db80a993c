#include "app/main_form.h"
#include "core/pending_markup.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"
#include "wizards/insert_image_dialog.h"
#include "wizards/insert_link_dialog.h"
#include "wizards/table_generator_dialog.h"

#include <QAction>
#include <QBuffer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace {
QByteArray jpegBytes(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}
} // namespace

class MainFormWizardsTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<TMainForm> form_;
    QString page_;

    TMarginRichEdit* editor() const { return form_->RichEdit1; }
    // "abc" with all of it selected, as the user leaves it before a command.
    void selectAbc()
    {
        editor()->SetEditorText(QStringLiteral("abc"));
        editor()->SetSelectionStart(0);
        editor()->SetSelectionLength(3);
    }
    void pressKey(Qt::Key key) { QTest::keyClick(editor(), key); }
    QString savedPage()
    {
        form_->FileSave();
        return QString::fromUtf8(readFile(page_));
    }

private Q_SLOTS:
    void init()
    {
        clearSettings();
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        PendingMarkup::take();
        prompter_ = std::make_unique<ScriptedPrompter>();
        form_ = std::make_unique<TMainForm>();
        form_->show();
        QTRY_VERIFY(form_->startupDone());
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        page_ = writeFile(dir_.filePath(QStringLiteral("web/index.html")), QByteArray());
        form_->LoadDocument(page_);
        form_->SetDocumentName(page_);
        editor()->FocusEditor();
    }
    void cleanup()
    {
        form_.reset();
        prompter_.reset();
    }

    void f6InsertsRelativeImageWithItsSize()
    {
        const QString jpg =
            writeFile(dir_.filePath(QStringLiteral("web/pics/a.jpg")), jpegBytes(120, 80));
        prompter_->openAnswers.append({{jpg}, false});
        QString width;
        prompter_->onDialog(QStringLiteral("TInsImg"), [&](QDialog& d) {
            auto& dialog = static_cast<TInsImg&>(d);
            QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
            width = dialog.Edit1->text();
            QTest::mouseClick(dialog.OK, Qt::LeftButton);
        });
        selectAbc();
        pressKey(Qt::Key_F6);
        QCOMPARE(prompter_->dialogsRun, QStringList{QStringLiteral("TInsImg")});
        QCOMPARE(width, QStringLiteral("120"));
        const QString expected = QStringLiteral("abc<IMG SRC=pics/a.jpg WIDTH=120 HEIGHT=80>");
        QCOMPARE(editor()->EditorText(), expected);
        QCOMPARE(editor()->SelectionStart(), int(expected.size()));
        QCOMPARE(editor()->SelectionLength(), 0);
        QVERIFY(PendingMarkup::take().text.isEmpty());
        QCOMPARE(savedPage(), expected);
    }

    void imageFromButtonAndContextMenu_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("tool button") << "SpeedButton30";
        QTest::newRow("context menu") << "mnuInsImg";
        QTest::newRow("menu") << "Image1";
    }
    void imageFromButtonAndContextMenu()
    {
        QFETCH(QString, source);
        prompter_->onDialog(QStringLiteral("TInsImg"), [](QDialog& d) {
            auto& dialog = static_cast<TInsImg&>(d);
            dialog.ImageEditBox->setText(QStringLiteral("x.gif"));
            dialog.OKClick();
        });
        if (auto* button = form_->findChild<QToolButton*>(source))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            form_->actionNamed(source)->trigger();
        QCOMPARE(editor()->EditorText(), QStringLiteral("<IMG SRC=x.gif>"));
    }

    void f7InsertsTheLink()
    {
        prompter_->onDialog(QStringLiteral("TInsLink"), [](QDialog& d) {
            auto& dialog = static_cast<TInsLink&>(d);
            QVERIFY(dialog.Edit2->text().isEmpty()); // the selection is not looked at
            QTest::keyClicks(dialog.Edit1, QStringLiteral("example"));
            dialog.Edit2->setText(QStringLiteral("Example"));
            QTest::mouseClick(dialog.OK, Qt::LeftButton);
        });
        selectAbc();
        pressKey(Qt::Key_F7);
        const QString expected = QStringLiteral("abc<A HREF=http://example>Example</A>");
        QCOMPARE(editor()->EditorText(), expected);
        QCOMPARE(editor()->SelectionStart(), int(expected.size()));
        QCOMPARE(savedPage(), expected);
        // The link's markup was handed over once: a cancelled image dialog adds nothing.
        pressKey(Qt::Key_F6);
        QCOMPARE(editor()->EditorText(), expected);
    }

    void linkFromButtonAndContextMenuFiresTheMenuItem()
    {
        prompter_->onDialog(QStringLiteral("TInsLink"), [](QDialog& d) {
            auto& dialog = static_cast<TInsLink&>(d);
            dialog.Edit1->setText(QStringLiteral("a"));
            dialog.OKClick();
        });
        QTest::mouseClick(form_->findChild<QToolButton*>(QStringLiteral("SpeedButton31")),
                          Qt::LeftButton);
        form_->action("InsertLink1")->trigger();
        QCOMPARE(editor()->EditorText(),
                 QStringLiteral("<A HREF=http://a></A><A HREF=http://a></A>"));
        // They only fire the menu item: with the item disabled nothing happens.
        form_->action("mnuInsertLink")->setEnabled(false);
        form_->action("InsertLink1")->trigger();
        QCOMPARE(prompter_->dialogsRun.size(), 2);
    }

    void cancelledDialogsInsertNothing()
    {
        prompter_->onDialog(QStringLiteral("TInsLink"), [](QDialog& d) {
            auto& dialog = static_cast<TInsLink&>(d);
            dialog.Edit1->setText(QStringLiteral("a"));
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        });
        selectAbc();
        form_->action("mnuInsertLink")->trigger();
        QCOMPARE(editor()->EditorText(), QStringLiteral("abc"));
        QCOMPARE(editor()->SelectionStart(), 3);
        QCOMPARE(editor()->SelectionLength(), 0);
        // No handler: the image and table dialogs are closed without OK.
        form_->action("Image1")->trigger();
        form_->action("TableGenerator2")->trigger();
        QCOMPARE(editor()->EditorText(), QStringLiteral("abc"));
        QCOMPARE(prompter_->dialogsRun,
                 (QStringList{QStringLiteral("TInsLink"), QStringLiteral("TInsImg"),
                              QStringLiteral("TInsTable")}));
    }

    void f8InsertsTheTableWithEditorLineEnds()
    {
        prompter_->onDialog(QStringLiteral("TInsTable"), [](QDialog& d) {
            auto& dialog = static_cast<TInsTable&>(d);
            QTest::mouseClick(dialog.SpinButton1->upButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.SpinButton1->upButton(), Qt::LeftButton);
            QTest::mouseClick(dialog.SpinButton2->downButton(), Qt::LeftButton);
            dialog.Table1->setItem(2, 0, new QTableWidgetItem(QStringLiteral("a<&")));
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        });
        selectAbc();
        pressKey(Qt::Key_F8);
        const QString table = QStringLiteral("<TABLE>\n"
                                             "<TR>\n\n <TD></TD>\n\n</TR>\n"
                                             "<TR>\n\n <TD></TD>\n\n</TR>\n"
                                             "<TR>\n\n <TD>a<&</TD>\n\n</TR>\n"
                                             "\n</TABLE>\n");
        QCOMPARE(editor()->EditorText(), QStringLiteral("abc") + table);
        QVERIFY(!editor()->EditorText().contains(QLatin1Char('\r')));
        QCOMPARE(editor()->SelectionStart(), int(3 + table.size()));
        QString onDisk = QStringLiteral("abc") + table;
        onDisk.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        QCOMPARE(savedPage(), onDisk);
    }

    void tableButtonOpensThePopupBesideIt()
    {
        auto* button = form_->findChild<QToolButton*>(QStringLiteral("SpeedButton32"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(form_->TablePopup->isVisible());
        QCOMPARE(form_->TablePopup->pos(),
                 button->mapToGlobal(QPoint(button->width(), button->height())));
        QStringList names;
        for (QAction* a : form_->TablePopup->actions())
            names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(names,
                 (QStringList{"QuickTable1", "TableGenerator1", "FromTemplete2", "-", "Cancel1"}));
        form_->TablePopup->hide();
    }
};

VORLANE_TEST_MAIN(MainFormWizardsTest)
#include "main_form_wizards_test.moc"
