#pragma once

#include "core/document_codec.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Find and Replace in Files: the search itself, without widgets, so it runs on a worker thread.
// Pages are searched as the editor shows them (line ends as LF, decoded from their encoding);
// a replacement changes only the matched bytes of the file and keeps its encoding.

struct FindInFilesOptions
{
    QString text;
    QString replacement; // \1 ... \9 stand for the groups of a regular expression, \0 for all
    bool matchCase = false;
    bool wholeWords = false;
    bool regularExpression = false;
};

// Where to search: one page, or every page of a folder whose name fits one of the patterns.
struct FindInFilesScope
{
    QString folder;           // the site folder; empty: only `page`
    QString page;             // the page in the editor (may be empty for an untitled page)
    QStringList namePatterns; // "*.htm", "*.html" (letter case ignored)
    // The text in the editor (UTF-8, LF), searched instead of the page's file on disk.
    QByteArray editorText;
    bool hasEditorText = false;
};

struct FindInFilesMatch
{
    int line = 0;      // from 1
    QString lineText;  // the whole line
    int lineStart = 0; // the match within lineText, in characters
    int lineLength = 0;
    long from = 0; // the match in the page's editor text (UTF-8 bytes)
    long to = 0;
    QString replacement; // the text it would be replaced with
};

struct FindInFilesFile
{
    QString path; // absolute
    bool isEditorText = false;
    QList<FindInFilesMatch> matches;
};

struct FindInFilesResult
{
    QList<FindInFilesFile> files;
    int filesSearched = 0;
    int binarySkipped = 0; // holding a NUL byte
    int largeSkipped = 0;  // over kFindInFilesMaxSize
    QStringList unreadable;
    bool cancelled = false;
    QString patternError; // a regular expression that does not compile
    int matchCount() const;
};

inline constexpr qint64 kFindInFilesMaxSize = 64LL * 1024 * 1024;

// The file names default to "*.htm;*.html"; patterns are separated by ";" or blanks.
QStringList splitNamePatterns(const QString& patterns);

// The files a search looks at, in a stable order: regular files inside the folder whose
// names fit, found without following any symbolic link out of the folder, names starting with
// "." skipped (files and folders).
QStringList filesToSearch(const FindInFilesScope& scope, const std::atomic_bool* cancel = nullptr);

// Every match of `options` in the editor text of one page.
QList<FindInFilesMatch> findInText(const QByteArray& utf8, const FindInFilesOptions& options);

// Reads a page for searching: only a regular file, at most kFindInFilesMaxSize bytes.
enum class PageRead { Ok, Binary, TooLarge, Unreadable };
PageRead readPageForSearch(const QString& path, QByteArray& bytes);

using FindInFilesProgress = std::function<void(int done, int total)>;
FindInFilesResult findInFiles(const FindInFilesScope& scope, const FindInFilesOptions& options,
                              const std::atomic_bool* cancel = nullptr,
                              const FindInFilesProgress& progress = {});

// The file's bytes with the chosen matches (found in its editor text) replaced: every byte
// outside a match stays as it was, the replacement is encoded as the page is (a character a
// Windows-1252 page cannot hold becomes &#N;, a line end in it is written as CR LF, as on save).
QByteArray replaceInFileBytes(const QByteArray& fileBytes, const QList<FindInFilesMatch>& chosen);
