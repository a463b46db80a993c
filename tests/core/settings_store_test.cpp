#include "core/app_error.h"
#include "core/settings_store.h"
#include "support/test_main.h"

#include <QFileInfo>

class SettingsStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void emptyStoreGivesTableDefaults()
    {
        QCOMPARE(ReadSetting(Setting::WordWrap), QStringLiteral("N"));
        QCOMPARE(ReadSetting(Setting::StatusBar), QStringLiteral("Top"));
        QCOMPARE(ReadSetting(Setting::Welcome), QStringLiteral("Y"));
        QCOMPARE(ReadSetting(Setting::QuickStart), QStringLiteral("Y"));
        QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Arial"));
        QCOMPARE(ReadSetting(Setting::FontSize), QStringLiteral("9"));
        QCOMPARE(ReadSetting(Setting::Browser), QStringLiteral("None"));
        QCOMPARE(ReadSetting(Setting::BrowserLocation), QStringLiteral("[unset]"));
        QCOMPARE(ReadSetting(Setting::UseTemp), QStringLiteral("Y"));
        QCOMPARE(ReadSetting(Setting::TempFilename), QStringLiteral("pagetmp.htm"));
        QCOMPARE(ReadSetting(Setting::DefaultTitle), QStringLiteral("Untitled"));
        QCOMPARE(ReadSetting(Setting::QuickStartBgColor), QStringLiteral("#FFFFFF"));
        QCOMPARE(ReadSetting(Setting::QuickStartTextColor), QStringLiteral("#000000"));
        QCOMPARE(ReadSetting(Setting::QuickStartLinkColor), QStringLiteral("#0000FF"));
        QCOMPARE(ReadSetting(Setting::QuickStartVLinkColor), QStringLiteral("#FF0000"));
        QCOMPARE(ReadSetting(Setting::QuickStartALinkColor), QStringLiteral("#FF0000"));
        QCOMPARE(ReadSetting(Setting::QuickStartBgImage), QString());
        QCOMPARE(ReadSetting(Setting::ParseImagePaths), QStringLiteral("Y"));
        QCOMPARE(ReadSetting(Setting::TaskTray), QStringLiteral("N"));
        QVERIFY(ReadSetting(Setting::FormTop).isNull());
        // Reading never writes.
        QVERIFY(!QFileInfo::exists(settingsFilePath()));
    }

    void writtenValuesReadBackExactly()
    {
        WriteSetting(Setting::DefaultTitle, QString());
        QCOMPARE(ReadSetting(Setting::DefaultTitle), QString()); // empty is not absent
        WriteSetting(Setting::WordWrap, QStringLiteral("y"));
        QCOMPARE(ReadSetting(Setting::WordWrap), QStringLiteral("y"));
        WriteSetting(Setting::FormTop, QStringLiteral("-12"));
        QCOMPARE(ReadSetting(Setting::FormTop), QStringLiteral("-12"));
        WriteSetting(Setting::TempFilename, QStringLiteral("a=b;c, d\u00e9"));
        QCOMPARE(ReadSetting(Setting::TempFilename), QStringLiteral("a=b;c, d\u00e9"));
    }

    void textStopsAtNul()
    {
        WriteSetting(Setting::Font, QStringLiteral("Verdana") + QChar(0) + QStringLiteral("junk"));
        QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Verdana"));
    }

    void nonStringValueIsATypeError()
    {
        writeSettingsFile("[General]\nFont=Arial, Verdana\n");
        try {
            ReadSetting(Setting::Font);
            QFAIL("no error");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'Font'"));
        }
    }

    void refusedWriteNamesTheValue()
    {
        const QString dir = QFileInfo(settingsFilePath()).absolutePath();
        QDir().mkpath(dir);
        writeSettingsFile("[General]\n");
        // A directory where the file should be makes every write fail.
        QFile::remove(settingsFilePath());
        QDir().mkpath(settingsFilePath());
        try {
            WriteSetting(Setting::WordWrap, QStringLiteral("Y"));
            QFAIL("no error");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("Failed to set data for 'WordWrap'"));
        }
        QDir(settingsFilePath()).removeRecursively();
    }

    void subkeyListKeepsWrittenOrder()
    {
        for (int i = 0; i < 12; ++i)
            WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F%1").arg(i),
                             QStringLiteral("/p/%1.htm").arg(i));
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F12"), QString());
        const auto values = ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey);
        QCOMPARE(values.size(), 12); // the empty one is left out
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(values[i].first, QStringLiteral("F%1").arg(i));
            QCOMPARE(values[i].second, QStringLiteral("/p/%1.htm").arg(i));
        }
        // Top-level values are not in the subkey and survive erasing it.
        WriteSetting(Setting::Font, QStringLiteral("Verdana"));
        EraseSubkey(kRecentFilesKeyPath, kRecentFilesSubkey);
        QVERIFY(ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey).isEmpty());
        QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Verdana"));
    }

    void unparsableStoreIsKeptBeforeTheFirstWrite()
    {
        const QByteArray broken = "[General]\nFont=Arial\n[Broken\nx\"=1\n";
        writeSettingsFile(broken);
        WriteSetting(Setting::WordWrap, QStringLiteral("Y"));
        const QString backup = settingsFilePath() + QStringLiteral(".unreadable");
        if (QFileInfo::exists(backup))
            QCOMPARE(readFile(backup), broken);
        QCOMPARE(ReadSetting(Setting::WordWrap), QStringLiteral("Y"));
    }
};

VORLANE_TEST_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
