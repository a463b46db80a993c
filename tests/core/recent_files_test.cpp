#include "core/recent_files.h"
#include "core/settings_store.h"
#include "support/test_main.h"

#include <QMenu>
#include <QSignalSpy>

namespace {

// The captions of a menu as the user sees them, "-" for separators.
QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QStringList storedPaths()
{
    QStringList out;
    for (const auto& value : ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey))
        out.append(value.first + QLatin1Char('=') + value.second);
    return out;
}

// A list set up as the program sets up its own.
std::unique_ptr<TMRUFileList> programList(QAction* anchor)
{
    auto list = std::make_unique<TMRUFileList>();
    list->setMaximum(4);
    list->setFileMenu(anchor);
    list->Loaded();
    return list;
}

} // namespace

class RecentFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void modelAdds_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("five saves keep four, newest first")
            << QStringList{"/a", "/b", "/c", "/d", "/e"} << QStringList{"/e", "/d", "/c", "/b"};
        QTest::newRow("known path moves up, no duplicate")
            << QStringList{"/a", "/b", "/c", "/a"} << QStringList{"/a", "/c", "/b"};
        // Names differing in letter case are different files here.
        QTest::newRow("letter case kept apart")
            << QStringList{"/w/Page.htm", "/w/other.htm", "/W/PAGE.HTM"}
            << QStringList{"/W/PAGE.HTM", "/w/other.htm", "/w/Page.htm"};
        QTest::newRow("the top entry again changes nothing")
            << QStringList{"/a", "/b", "/b"} << QStringList{"/b", "/a"};
    }
    void modelAdds()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        RecentFilesModel model(4);
        for (const QString& path : added)
            model.add(path);
        QCOMPARE(model.entries(), expected);
    }

    void modelLoadKeepsEverythingAndMaximumTrims()
    {
        RecentFilesModel model(4);
        model.append({"/1", "/2", "/3", "/2", "/5", "/6"});
        QCOMPARE(model.entries().size(), 6); // no trim, duplicates kept on load
        model.add("/new");
        QCOMPARE(model.entries(), (QStringList{"/new", "/1", "/2", "/3"}));
        QVERIFY(model.setMaximum(2));
        QCOMPARE(model.entries(), (QStringList{"/new", "/1"}));
        QVERIFY(!model.setMaximum(6)); // raising keeps what is there
        QCOMPARE(model.entries().size(), 2);
    }

    void anchorWithItemsGetsEntriesAtItsEnd()
    {
        QMenu file;
        file.addAction(QStringLiteral("&Open..."));
        file.addAction(QStringLiteral("E&xit"));
        auto list = programList(file.menuAction());
        QCOMPARE(captions(&file), (QStringList{"&Open...", "E&xit"})); // empty: no separator
        for (const char* path : {"/s/a.htm", "/s/b.htm", "/s/c.htm", "/s/d.htm", "/s/e.htm"})
            list->AddItem(QString::fromLatin1(path));
        QCOMPARE(captions(&file), (QStringList{"&Open...", "E&xit", "-", "&1 /s/e.htm",
                                               "&2 /s/d.htm", "&3 /s/c.htm", "&4 /s/b.htm"}));
        list->setMaximum(2);
        QCOMPARE(captions(&file),
                 (QStringList{"&Open...", "E&xit", "-", "&1 /s/e.htm", "&2 /s/d.htm"}));
    }

    void plainAnchorGetsEntriesInFrontOfIt()
    {
        QMenu popup;
        QAction* cancel = popup.addAction(QStringLiteral("Cancel"));
        popup.addSeparator();
        auto list = programList(cancel);
        QCOMPARE(captions(&popup), (QStringList{"Cancel", "-"}));
        list->AddItem(QStringLiteral("/s/a.htm"));
        list->AddItem(QStringLiteral("/s/b.htm"));
        QCOMPARE(captions(&popup), (QStringList{"-", "&1 /s/b.htm", "&2 /s/a.htm", "Cancel", "-"}));
    }

    void rebuildTouchesOnlyItsOwnItems()
    {
        QMenu file;
        file.addAction(QStringLiteral("E&xit"));
        auto first = programList(file.menuAction());
        first->AutoSave = false;
        first->AddItem(QStringLiteral("/one"));
        auto second = programList(file.menuAction());
        second->AutoSave = false;
        second->AddItem(QStringLiteral("/two"));
        file.addAction(QStringLiteral("Foreign"));
        first->AddItem(QStringLiteral("/three"));
        QCOMPARE(captions(&file),
                 (QStringList{"E&xit", "-", "&1 /two", "Foreign", "-", "&1 /three", "&2 /one"}));
    }

    void clickReportsThePath()
    {
        QMenu file;
        file.addAction(QStringLiteral("E&xit"));
        TMRUFileList list;
        list.AutoSave = false;
        list.setFileMenu(file.menuAction());
        list.AddItem(QStringLiteral("/a"));
        list.AddItem(QStringLiteral("/b"));
        QSignalSpy spy(&list, &TMRUFileList::MRUItemClick);
        QAction* second = file.actions().last();
        second->trigger();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).value<QObject*>(), static_cast<QObject*>(second));
        QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral("/a"));
        QCOMPARE(list.Items(), (QStringList{"/b", "/a"})); // kept, order unchanged
    }

    void storedListLoadsUntrimmedAndSavesBack()
    {
        for (int i = 0; i < 6; ++i)
            WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F%1").arg(i),
                             QStringLiteral("/p%1").arg(i));
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F6"), QString());
        QMenu file;
        file.addAction(QStringLiteral("E&xit"));
        {
            auto list = programList(file.menuAction());
            QCOMPARE(list->Items().size(), 6); // the empty value is skipped
            QCOMPARE(file.actions().size(), 1 + 1 + 6);
            list->AddItem(QStringLiteral("/new"));
            QCOMPARE(list->Items(), (QStringList{"/new", "/p0", "/p1", "/p2"}));
        } // saved when destroyed; old values beyond the list are gone
        QCOMPARE(storedPaths(), (QStringList{"F0=/new", "F1=/p0", "F2=/p1", "F3=/p2"}));
        QCOMPARE(file.actions().size(), 1); // its items left with it
    }

    void emptyListLeavesNoSubkey()
    {
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F0"),
                         QStringLiteral("/x"));
        {
            TMRUFileList list;
        } // never loaded: an empty list is written
        QVERIFY(storedPaths().isEmpty());
        QVERIFY(!readFile(settingsFilePath()).contains("Recent"));
    }

    void failingSaveDoesNotEscapeTheDestructor()
    {
        QFile::remove(settingsFilePath());
        QDir().mkpath(settingsFilePath()); // a folder where the store's file should be
        {
            TMRUFileList list;
            list.AddItem(QStringLiteral("/x"));
        }
        QDir(settingsFilePath()).removeRecursively();
    }
};

VORLANE_TEST_MAIN(RecentFilesTest)
#include "recent_files_test.moc"
