#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

// One word of a page's text as a reader sees it.
struct SpellWord
{
    QString text;            // character references decoded
    qsizetype start = 0;     // its first byte in the page
    qsizetype end = 0;       // one past its last byte; inline tags inside a word lie between
    bool split = false;      // inline tags lie inside it
    bool referenced = false; // some of its letters are written as character references
};

// Calls visit for every word the page shows its reader that starts in [from, to): text between
// tags and the values of ALT and TITLE. Tag and attribute names, other values, comments,
// declarations, SCRIPT and STYLE content, addresses and words holding digits are left out;
// a word broken by inline tags ("<B>re</B>ceive") is one word. `from` must be a place outside
// any tag, comment or script (spellingResyncPoint finds one).
void forEachSpellingWord(QByteArrayView page, qsizetype from, qsizetype to,
                         const std::function<void(const SpellWord&)>& visit);

// A place at or before `at` where reading the page's words can start: the start of a tag,
// comment, SCRIPT or STYLE element that `at` lies inside, looked for up to `reach` bytes back.
qsizetype spellingResyncPoint(QByteArrayView page, qsizetype at, qsizetype reach = 64 * 1024);

// The value of the page's LANG attribute (on HTML, else BODY), or empty.
QString pageLanguage(QByteArrayView page);

// The dictionary to check with: the page's language when a dictionary of it is installed, else
// the chosen one, else the desktop's, else English, else any; empty when none is installed.
// Names compare without regard to case, "-" and "_" alike; "en" takes any "en_..." dictionary.
QString chooseDictionary(const QStringList& installed, const QString& pageLanguage,
                         const QString& chosen, const QString& locale);

// The text that replaces a misspelt word: characters the page's encoding cannot hold, and every
// non-ASCII one when the word was written with references, become character references.
QByteArray spellingReplacement(const QString& suggestion, bool singleBytePage, bool referenced);
