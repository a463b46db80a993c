#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>

class QTextStream;

// Check Page: markup errors (HTML Tidy) and broken local links in a page's text. Plain functions
// over a copy of the text, safe to run on any thread; places are byte offsets into that copy.
namespace PageCheck {

enum class Kind { Error, Warning, Link };
QString kindName(Kind kind); // "error", "warning", "link"

struct Finding
{
    Kind kind = Kind::Warning;
    int line = 0;         // 1-based; 0 when the finding has no place
    int column = 0;       // 1-based, in characters
    qsizetype start = -1; // byte offset in the checked UTF-8 text; -1 when it has no place
    qsizetype length = 0; // bytes to select from start
    QString message;
    bool failing = false; // an error, or a link that will not work once the page is up
};

// Shared with the thread that runs a check: how far it got, and a request to stop early.
struct Progress
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> stop{false};
};

// Elements nested deeper than this (counting those that need an end tag) are not handed to
// Tidy, whose parser recurses per level and slows down with the square of the depth.
inline constexpr int kMaxNesting = 5000;

// Both checks, findings in text order. `pageFile` is the page's full path, or empty for a page
// that has never been saved (its links are then not checked, and a finding says why).
QList<Finding> checkPage(const QByteArray& utf8, const QString& pageFile,
                         Progress* progress = nullptr);
QList<Finding> checkMarkup(const QByteArray& utf8, Progress* progress = nullptr);
QList<Finding> checkLinks(const QByteArray& utf8, const QString& pageFile,
                          Progress* progress = nullptr);

// One finding in the form compilers use: "FILE:LINE:COLUMN: kind: message".
QString formatFinding(const QString& file, const Finding& finding);

// Pieces, for their own tests.
struct LinkValue
{
    QString value;       // as written, character references resolved
    qsizetype start = 0; // bytes of the value in the text (quotes excluded)
    qsizetype length = 0;
    QString codebase; // an APPLET's CODEBASE, against which its CODE is resolved
    bool isCode = false;
};
QList<LinkValue> linkValues(QByteArrayView utf8);
QSet<QString> anchorNames(QByteArrayView utf8);
bool declaresDoctype(QByteArrayView utf8);

} // namespace PageCheck
