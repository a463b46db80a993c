#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QTextStream;

// Check Page: markup errors (HTML Tidy) and broken local links in a page's text. Plain functions
// over a copy of the text, safe to run on any thread; places are byte offsets into that copy.
namespace PageCheck {

// Errors: markup Tidy calls an error, and links that will not work once the page is up.
// Notes say what was not checked; they never fail a check.
enum class Kind { Error, Warning, Note };
QString kindName(Kind kind); // "error", "warning", "note"

struct Finding
{
    Kind kind = Kind::Warning;
    int line = 0;         // 1-based; 0 when the finding has no place
    int column = 0;       // 1-based, in characters
    qsizetype start = -1; // byte offset in the checked UTF-8 text; -1 when it has no place
    qsizetype length = 0; // bytes to select from start
    QString message;
};

// Whether a finding fails a check: an error, or with `strict` also a warning.
bool fails(const Finding& finding, bool strict = false);

// Shared with the thread that runs a check: how far it got, and a request to stop early.
struct Progress
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> stop{false};
};

// Elements nested deeper than this (counting those that need an end tag, as Tidy nests them)
// are not handed to Tidy, whose parser recurses per level and slows down with the square of
// the depth.
inline constexpr int kMaxNesting = 5000;

// A page named by a #fragment is searched for the name only up to this size, in pieces of
// this size.
inline constexpr qint64 kMaxFragmentTarget = 64 * 1024 * 1024;
inline constexpr qint64 kFragmentPiece = 1024 * 1024;

// The stack a check runs on: Tidy's parser recurses per nesting level (up to kMaxNesting).
inline constexpr uint kCheckStackBytes = 64u * 1024 * 1024;

// Where Tidy runs: in this process, or in a child process that may die without taking the
// caller along (see markup_child.h).
enum class MarkupIn { ThisProcess, ChildProcess };

// Both checks, findings in text order. `pageFile` is the page's full path, or empty for a page
// that has never been saved (its in-page #names and absolute paths are still checked).
// `siteFolder` as for checkLinks.
QList<Finding> checkPage(const QByteArray& utf8, const QString& pageFile,
                         Progress* progress = nullptr, MarkupIn where = MarkupIn::ThisProcess,
                         const QString& siteFolder = QString());
QList<Finding> checkMarkup(const QByteArray& utf8, Progress* progress = nullptr);
// A local link as the link check resolved it, for checks over a whole site.
struct LocalLink
{
    qsizetype start = 0; // bytes of the value in the text
    qsizetype length = 0;
    QString path;          // the file it leads to: absolute and clean, symbolic links not resolved
    bool reported = false; // the link check already found fault with it
};

// Folder listings the link check reads, kept from one page's check to the next, so a check of
// many pages lists each folder once. Used by one thread at a time.
class FolderListings
{
public:
    FolderListings();
    ~FolderListings();
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;
    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// `siteFolder`: what the check may read pages from to look for #names; empty: the site folder
// rule's answer for the page. `localLinks`, when given, receives every local link's target;
// `listings`, when given, keeps the folders read for the next page's check.
QList<Finding> checkLinks(const QByteArray& utf8, const QString& pageFile,
                          Progress* progress = nullptr, const QString& siteFolder = QString(),
                          QList<LocalLink>* localLinks = nullptr,
                          FolderListings* listings = nullptr);
// Markup and link findings together, in text order.
QList<Finding> mergeFindings(QList<Finding> markup, const QList<Finding>& links);

// One finding in the form compilers use: "FILE:LINE:COLUMN: kind: message", control
// characters in the name and message escaped so a finding is always one line.
QString formatFinding(const QString& file, const Finding& finding);
// Control characters as \n, \t, \r or \xHH (\u{HHHH} above U+00FF).
QString escapeControls(const QString& text);

// Pieces, for their own tests.
struct LinkValue
{
    enum Role { Page, Code, Archive, Folder, Map, Base };
    QString value;       // as written, character references resolved
    qsizetype start = 0; // bytes of the value in the text (quotes excluded)
    qsizetype length = 0;
    Role role = Page;
    QString codebase; // an APPLET's CODEBASE, against which its CODE and ARCHIVE are resolved
};
QList<LinkValue> linkValues(QByteArrayView utf8);
QSet<QString> anchorNames(QByteArrayView utf8);
QSet<QString> mapNames(QByteArrayView utf8);
bool declaresDoctype(QByteArrayView utf8);

} // namespace PageCheck
