#include "app/main_form.h"
#include "core/app_error.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "site/rename_dialog.h"
#include "site/site_panel.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>

#include <sys/stat.h>

namespace {

// A 3 x 2 BMP: its size is in the header Insert Image reads.
QByteArray tinyBmp()
{
    QByteArray b("BM");
    auto le32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    auto le16 = [&](quint16 v) {
        b.append(char(v & 0xFF));
        b.append(char(v >> 8));
    };
    le32(54 + 24);
    le32(0);
    le32(54);
    le32(40);
    le32(3);
    le32(2);
    le16(1);
    le16(24);
    le32(0);
    le32(24);
    le32(0);
    le32(0);
    le32(0);
    le32(0);
    b.append(QByteArray(24, '\0'));
    return b;
}

QStringList namesShown(TSitePanel* panel)
{
    QStringList names;
    QAbstractItemModel* model = panel->Tree->model();
    const QModelIndex root = panel->Tree->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row)
        names << model->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

} // namespace

class MainFormSiteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Open Site, the panel through the real window: a page opens through the save question, a
    // picture goes in as IMG with its size, a rename changes the open page in the editor as
    // one undo step, and the panel's switch survives a restart.
    void panelOpensInsertsRenamesAndPersists()
    {
        clearSettings();
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        QTemporaryDir dir;
        const QString site = QFileInfo(dir.path()).canonicalFilePath() + "/site";
        writeFile(site + "/index.html", "<IMG SRC=\"pics/dot.bmp\">\r\n");
        writeFile(site + "/about.html", "<A HREF=\"index.html\">home</A>\r\n");
        writeFile(site + "/pics/dot.bmp", tinyBmp());
        writeFile(site + "/.hidden.html", "x");
        writeFile(dir.path() + "/outside.html", "x");
        QVERIFY(QFile::link(dir.path() + "/outside.html", site + "/out.html"));
        ScriptedPrompter prompter;
        {
            TMainForm form;
            QVERIFY(!form.action("SitePanel1")->isChecked());
            QCOMPARE(form.action("SitePanel1")->text(), QStringLiteral("Site P&anel"));
            prompter.openAnswers << Prompter::FileAnswer{{site}, false};
            form.invokeMenuItem("OpenSite1");
            QVERIFY(prompter.openRequests.last().folderOnly);
            QCOMPARE(form.siteFolder(), site);
            QVERIFY(form.action("SitePanel1")->isChecked());
            TSitePanel* panel = form.SitePanel;
            QVERIFY(panel);
            QCOMPARE(panel->siteFolder(), site);
            // Hidden names and links out of the site are not listed.
            QTRY_COMPARE_WITH_TIMEOUT(namesShown(panel),
                                      QStringList({"about.html", "index.html", "pics"}), 20000);
            QVERIFY(form.RecentSitesMenu->menuAction()->isEnabled());

            // A page: the save question, then it is open.
            form.RichEdit1->SetEditorText("changed");
            form.RichEdit1->SetModifiedFlag(true);
            prompter.answers << Prompter::Answer::No;
            Q_EMIT panel->fileActivated(site + "/index.html");
            QCOMPARE(prompter.confirms.size(), 1);
            QCOMPARE(form.DocumentFileName(), site + "/index.html");

            // A picture: IMG at the caret, the name relative to the page, its own size.
            form.RichEdit1->SetSelectionStart(0);
            Q_EMIT panel->fileActivated(site + "/pics/dot.bmp");
            QVERIFY(form.RichEdit1->EditorText().startsWith(
                "<IMG SRC=pics/dot.bmp WIDTH=3 HEIGHT=2><IMG SRC=\"pics/dot.bmp\">"));
            form.RichEdit1->UndoLastEdit();
            // Dropped into the editor from the panel: the same, where it was dropped.
            {
                QMimeData files;
                files.setUrls({QUrl::fromLocalFile(site + "/pics/dot.bmp")});
                QWidget* paper = form.RichEdit1->viewport();
                QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction | Qt::MoveAction, &files,
                                      Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(paper, &enter);
                QVERIFY(enter.isAccepted());
                QDropEvent drop(QPointF(1, 1), Qt::CopyAction | Qt::MoveAction, &files,
                                Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(paper, &drop);
                QCOMPARE(drop.dropAction(), Qt::CopyAction);
                QVERIFY(form.RichEdit1->EditorText().contains("<IMG SRC=pics/dot.bmp WIDTH=3"));
                form.RichEdit1->UndoLastEdit();
            }

            // Rename the picture: about.html is untouched, the open page changes in the editor.
            prompter.onDialog("TRenameDialog", [](QDialog& d) {
                static_cast<TRenameDialog&>(d).NameEdit->setText("spot.bmp");
                d.accept();
            });
            prompter.onDialog("TRenameLinksDialog", [](QDialog& d) {
                QCOMPARE(static_cast<TRenameLinksDialog&>(d).List->topLevelItemCount(), 1);
                d.accept();
            });
            Q_EMIT panel->renameRequested(site + "/pics/dot.bmp");
            QCOMPARE(prompter.errors, QStringList());
            QVERIFY(QFileInfo::exists(site + "/pics/spot.bmp"));
            QCOMPARE(form.RichEdit1->EditorText(), QStringLiteral("<IMG SRC=\"pics/spot.bmp\">\n"));
            QCOMPARE(readFile(site + "/index.html"), QByteArray("<IMG SRC=\"pics/dot.bmp\">\r\n"));
            form.RichEdit1->UndoLastEdit();
            QCOMPARE(form.RichEdit1->EditorText(), QStringLiteral("<IMG SRC=\"pics/dot.bmp\">\n"));

            // Nothing outside the site, only regular files, pictures read only up to a size.
            QCOMPARE(::mkfifo(QFile::encodeName(site + "/fifo.html").constData(), 0600), 0);
            QFile big(site + "/big.bmp");
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(64LL * 1024 * 1024 + 1));
            big.close();
            for (const QString& path :
                 {site + "/out.html", dir.path() + "/outside.html", site + "/fifo.html",
                  site + "/.hidden.html", site + "/pics", site + "/big.bmp"}) {
                prompter.errors.clear();
                Q_EMIT panel->fileActivated(path);
                QCOMPARE(prompter.errors.size(), 1);
                QCOMPARE(form.DocumentFileName(), site + "/index.html");
                QCOMPARE(form.RichEdit1->EditorText(),
                         QStringLiteral("<IMG SRC=\"pics/dot.bmp\">\n"));
            }
            // A new page only inside the site.
            prompter.errors.clear();
            prompter.choices << 0; // Quick Start
            prompter.saveAnswers << dir.path() + "/escaped.html";
            Q_EMIT panel->newPageRequested(site);
            QCOMPARE(prompter.errors.size(), 1);
            QVERIFY(!QFileInfo::exists(dir.path() + "/escaped.html"));
            prompter.choices << 0;
            prompter.saveAnswers << site + "/pics/new.html";
            Q_EMIT panel->newPageRequested(site + "/pics");
            QCOMPARE(prompter.errors.size(), 1);
            QCOMPARE(form.DocumentFileName(), site + "/pics/new.html");
            QVERIFY(readFile(site + "/pics/new.html").contains("<HTML>"));

            // Dragged onto another folder: moved, its own relative link follows.
            prompter.errors.clear();
            prompter.onDialog("TRenameLinksDialog", [](QDialog& d) { d.accept(); });
            Q_EMIT panel->moveRequested({site + "/about.html"}, site + "/pics");
            QCOMPARE(prompter.errors, QStringList());
            QCOMPARE(readFile(site + "/pics/about.html"),
                     QByteArray("<A HREF=\"../index.html\">home</A>\r\n"));
        }
        TMainForm restarted;
        restarted.FormActivate();
        QVERIFY(restarted.action("SitePanel1")->isChecked());
        QVERIFY(restarted.SitePanel && restarted.SitePanel->isVisibleTo(&restarted));
        QCOMPARE(restarted.RecentSitesMenu->actions().size(), 1);
        QCOMPARE(restarted.RecentSitesMenu->actions().at(0)->text(), "&1 " + site);
    }
};

VORLANE_TEST_MAIN(MainFormSiteTest)
#include "main_form_site_test.moc"
