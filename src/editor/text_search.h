#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

// Case-blind search of UTF-8 text for a needle, over plain bytes (no widget). A quick scan
// passes over bytes that cannot begin a match, ASCII candidates are compared on the spot, and
// a candidate that involves other characters is settled by `confirm`: by default Unicode
// simple case folding; an editor can pass its own folding so results match its search exactly.
class CaseBlindSearch
{
public:
    // Where a match that begins at `at` ends (its byte after the last), or -1 for none. `limit`
    // is the furthest byte a match could reach.
    using Confirm = std::function<qsizetype(QByteArrayView text, qsizetype at, qsizetype limit)>;

    struct Match
    {
        qsizetype start = -1;
        qsizetype end = -1;
        bool found() const { return start >= 0; }
    };

    explicit CaseBlindSearch(const QString& needle, Confirm confirm = {});

    // The first match at or after byte `from`.
    Match next(QByteArrayView text, qsizetype from) const;
    // Every match, left to right, none overlapping.
    QList<Match> all(QByteArrayView text) const;

    // Unicode simple case folding, character by character (the default confirm).
    static qsizetype foldedMatchEnd(QByteArrayView text, qsizetype at, const QString& needle);

private:
    Match nextAsciiLed(QByteArrayView text, qsizetype from) const;
    qsizetype confirmAt(QByteArrayView text, qsizetype at) const;

    QString needle_;
    QByteArray utf8_;
    Confirm confirm_;
    bool asciiNeedle_ = true;
};
