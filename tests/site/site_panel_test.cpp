#include "site/site_panel.h"
#include "support/test_main.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTemporaryDir>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class SitePanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each entry's icon and kind come from its name and whether it is a folder, never from its
    // contents: a page named in capitals is still a page, a folder named like a page is a folder.
    void entriesShowTheirKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("kind");
        QTest::newRow("page") << "index.html" << false << "Page";
        QTest::newRow("page in capitals") << "OLD.HTM" << false << "Page";
        QTest::newRow("server-side page") << "news.shtml" << false << "Page";
        QTest::newRow("picture") << "photo.JPG" << false << "Picture";
        QTest::newRow("drawing") << "logo.svg" << false << "Picture";
        QTest::newRow("style sheet") << "site.css" << false << "File";
        QTest::newRow("no suffix") << "README" << false << "File";
        QTest::newRow("folder") << "pics" << true << "Folder";
        QTest::newRow("folder named like a page") << "old.html" << true << "Folder";
    }

    void entriesShowTheirKind()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString site = QFileInfo(dir.path()).canonicalFilePath();
        if (folder)
            QVERIFY(QDir().mkpath(site + "/" + name));
        else
            touch(site + "/" + name);

        TSitePanel panel;
        panel.setSiteFolder(site);
        QFileSystemModel* files = panel.model();
        const auto* shown = static_cast<QSortFilterProxyModel*>(panel.Tree->model());
        QTRY_COMPARE_WITH_TIMEOUT(shown->rowCount(panel.Tree->rootIndex()), 1, 20000);
        const QModelIndex entry = files->index(site + "/" + name);
        QVERIFY(entry.isValid());
        QCOMPARE(files->type(entry), kind);

        // Folders look like folders and plain files like files; nothing is left without one.
        const auto image = [](const QIcon& icon) { return icon.pixmap(16).toImage(); };
        const QImage shownIcon = image(files->fileIcon(entry));
        QVERIFY(!shownIcon.isNull());
        const QImage plainFile = image(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
        if (kind == "File")
            QCOMPARE(shownIcon, plainFile);
        if (kind == "Folder")
            QVERIFY(shownIcon != plainFile);
    }
};

VORLANE_TEST_MAIN(SitePanelTest)
#include "site_panel_test.moc"
