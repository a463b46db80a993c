#pragma once

#include <QDir>
#include <QString>

// Document-name helpers shared by the file commands and the dialogs.
inline const QString kUntitled = QStringLiteral("Untitled");

// Everything up to and including the last directory separator; empty when there is none.
QString folderPart(const QString& path);
// Everything after the last directory separator.
QString fileNamePart(const QString& path);
// True when the name part holds a ".".
bool hasExtension(const QString& path);
// The folder without a trailing separator, except for a root folder ("/").
QString folderForDialog(const QString& path);
// A relative name made absolute against the working folder; an absolute name as it is.
// Symbolic links are not followed: only the ".." that climb out of the working folder (a
// folder with no links left in it) are taken off, so the name still leads where it did.
QString absoluteFileName(const QString& path);
// Folder of the running executable, with a trailing separator.
QString executableFolder();
// ASCII-only lower-casing.
QString asciiLower(const QString& text);
// How the file system compares names: exactly on Linux, ASCII letter case ignored on Windows.
#ifdef Q_OS_WIN
inline constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif
// A path in the form the file system compares it in (see kPathCase).
QString pathKey(const QString& path);
// The names of the files in a folder that end in `end`, letter case ignored as in a name
// filter, in `order`. Qt compiles a name filter into a pattern each time, which costs more
// than the listing itself.
QStringList filesEndingWith(const QString& folder, const QString& end,
                            QDir::SortFlags order = QDir::Name | QDir::IgnoreCase);
