#pragma once

#include <QList>
#include <QPair>
#include <QString>

// One named string value of the store and its default, kept in one table below.
struct SettingKey
{
    const char* name;
    const char* defaultValue; // nullptr: no default, the reader keeps its own design value
};

namespace Setting {
inline constexpr SettingKey FormTop{"Form Top", nullptr};
inline constexpr SettingKey FormLeft{"Form Left", nullptr};
inline constexpr SettingKey FormWidth{"Form Width", "606"};
inline constexpr SettingKey FormHeight{"Form Height", "452"};
inline constexpr SettingKey WordWrap{"WordWrap", "N"};
inline constexpr SettingKey StatusBar{"Status Bar", "Top"};
inline constexpr SettingKey Welcome{"Welcome", "Y"};
inline constexpr SettingKey QuickStart{"QuickStart", "Y"};
inline constexpr SettingKey Font{"Font", "Arial"};
inline constexpr SettingKey FontSize{"Font Size", "9"};
inline constexpr SettingKey Browser{"Browser", "None"};
inline constexpr SettingKey BrowserLocation{"Browser Location", "[unset]"};
inline constexpr SettingKey UseTemp{"Use Temp", "Y"};
inline constexpr SettingKey TempFilename{"Temp Filename", "pagetmp.htm"};
inline constexpr SettingKey DefaultTitle{"Default Title", "Untitled"};
inline constexpr SettingKey QuickStartBgColor{"Quick Start BgColor", "#FFFFFF"};
inline constexpr SettingKey QuickStartTextColor{"Quick Start TextColor", "#000000"};
inline constexpr SettingKey QuickStartLinkColor{"Quick Start LinkColor", "#0000FF"};
inline constexpr SettingKey QuickStartVLinkColor{"Quick Start vLinkColor", "#FF0000"};
inline constexpr SettingKey QuickStartALinkColor{"Quick Start aLinkColor", "#FF0000"};
inline constexpr SettingKey QuickStartBgImage{"Quick Start BgImage", ""};
inline constexpr SettingKey ParseImagePaths{"Parse Image Paths", "Y"};
inline constexpr SettingKey TaskTray{"Task Tray", "N"};
inline constexpr SettingKey Highlighting{"Highlighting", "Y"};
inline constexpr SettingKey LineNumbers{"Line Numbers", "Y"};
inline constexpr SettingKey TagCompletion{"Tag Completion", "Y"};
inline constexpr SettingKey LivePreview{"Live Preview", "N"};
inline constexpr SettingKey PreviewFollowsCaret{"Preview Follows Caret", "Y"};
inline constexpr SettingKey LivePreviewWidth{"Live Preview Width", nullptr}; // pixels
inline constexpr SettingKey Spelling{"Spelling", "Y"};
inline constexpr SettingKey SpellingLanguage{"Spelling Language", ""}; // a dictionary's name
inline constexpr SettingKey PreviewScripts{"Preview Scripts", "Y"};
inline constexpr SettingKey SitePanel{"Site Panel", "N"};

// Every value of the table, for tests and diagnostics.
const QList<SettingKey>& all();
// The table's key of that name; nullptr for a name the program does not keep.
const SettingKey* find(const QString& name);
} // namespace Setting

// The key path and the recent-files location, as the store knows them.
inline const QString kSettingsKey = QStringLiteral("Software\\Tallowmark\\Vorlane");
inline const QString kRecentFilesKeyPath =
    QStringLiteral("\\Software\\Tallowmark\\Vorlane\\Recent Files");
inline const QString kRecentFilesSubkey = QStringLiteral("Recent Files");
// The folders opened as the site, kept the same way.
inline const QString kRecentSitesKeyPath =
    QStringLiteral("\\Software\\Tallowmark\\Vorlane\\Recent Sites");
inline const QString kRecentSitesSubkey = QStringLiteral("Recent Sites");

// Reads the store afresh. A value that exists returns its text (up to a NUL), even when empty;
// a missing one returns defaultValue. A value that is not a string raises
// "Invalid data type for '%s'".
QString ReadSetting(const SettingKey& key); // with the table's default
bool SettingExists(const SettingKey& key);
// A flag: true exactly when the value (or its default) is "Y".
bool ReadFlag(const SettingKey& key);

// Stores the text, replacing any earlier value. A refused write raises
// "Failed to set data for '%s'"; a store that cannot be created "Failed to create key %s".
void WriteSetting(const SettingKey& key, const QString& text);
void WriteFlag(const SettingKey& key, bool on); // "Y" or "N"
// The window's four values (Form Top, Left, Width, Height) as one change: another instance
// closing at the same time never leaves a mix of both windows.
void WriteWindowGeometry(int top, int left, int width, int height);

// Subkey operations used by the recent-files list. keyPath is absolute from the user's root.
void EraseSubkey(const QString& keyPath, const QString& subkey);
void WriteSubkeyValue(const QString& keyPath, const QString& subkey, const QString& name,
                      const QString& text);
// In the order the store enumerates them (F0, F1, ... for lists written by WriteSubkeyValue);
// empty texts are left out; a missing subkey gives an empty list.
QList<QPair<QString, QString>> ListSubkeyValues(const QString& keyPath, const QString& subkey);

// The file behind the store on this platform (for tests and fault handling).
QString settingsFilePath();
// The file every change of the store locks (mode 0600, in a folder only the user can enter).
QString settingsLockPath();
