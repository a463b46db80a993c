#include "site/site_panel.h"
#include "support/test_main.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QStyle>
#include <QTemporaryDir>

class SitePanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each entry's icon and kind come from its name and whether it is a folder, never from its
    // contents: a page named in capitals is still a page, a folder named like a page is a folder.
    void entriesShowTheirKind()
    {
        const struct
        {
            const char* name;
            bool folder;
            const char* kind;
        } entries[] = {
            {"index.html", false, "Page"},  {"OLD.HTM", false, "Page"},
            {"news.shtml", false, "Page"},  {"photo.JPG", false, "Picture"},
            {"logo.svg", false, "Picture"}, {"site.css", false, "File"},
            {"README", false, "File"},      {"pics", true, "Folder"},
            {"old.html", true, "Folder"},
        };
        QTemporaryDir dir;
        const QString site = QFileInfo(dir.path()).canonicalFilePath();
        for (const auto& entry : entries) {
            const QString path = site + "/" + entry.name;
            QVERIFY(entry.folder ? QDir().mkpath(path) : QFile(path).open(QIODevice::WriteOnly));
        }
        TSitePanel panel;
        panel.setSiteFolder(site);
        QFileSystemModel* files = panel.model();
        QTRY_COMPARE_WITH_TIMEOUT(panel.Tree->model()->rowCount(panel.Tree->rootIndex()),
                                  int(std::size(entries)), 20000);

        // Folders look like folders and plain files like files; nothing is left without one.
        const auto image = [](const QIcon& icon) { return icon.pixmap(16).toImage(); };
        const QImage plainFile = image(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
        for (const auto& entry : entries) {
            const QModelIndex index = files->index(site + "/" + entry.name);
            QVERIFY2(index.isValid(), entry.name);
            QCOMPARE(files->type(index), QString::fromLatin1(entry.kind));
            const QImage icon = image(files->fileIcon(index));
            QVERIFY2(!icon.isNull(), entry.name);
            if (entry.folder)
                QVERIFY2(icon != plainFile, entry.name);
            else if (QLatin1String(entry.kind) == QLatin1String("File"))
                QCOMPARE(icon, plainFile);
        }
    }
};

VORLANE_TEST_MAIN(SitePanelTest)
#include "site_panel_test.moc"
