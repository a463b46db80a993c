#include "editor/text_search.h"

#include <QHash>

#include <array>
#include <cstring>

namespace {

enum class Verdict { NoMatch, Match, Unsure };

char asciiLower(uchar c)
{
    return char(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

// Compares case-blind while both sides are ASCII; a non-ASCII character on either side leaves
// the answer to Unicode folding.
Verdict compareAscii(const uchar* text, qsizetype available, const QByteArray& needle)
{
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const auto n = uchar(needle[i]);
        if (n >= 0x80)
            return Verdict::Unsure;
        if (i >= available)
            return Verdict::NoMatch;
        if (text[i] >= 0x80)
            return Verdict::Unsure;
        if (asciiLower(text[i]) != asciiLower(n))
            return Verdict::NoMatch;
    }
    return Verdict::Match;
}

// The code point starting at text[0] and its length in bytes; code point -1 for a malformed
// sequence (length 1).
std::pair<qint32, int> decodeUtf8(const uchar* text, qsizetype available)
{
    const uchar c = text[0];
    if (c < 0x80)
        return {c, 1};
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || extra >= available)
        return {-1, 1};
    qint32 cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((text[k] & 0xC0) != 0x80)
            return {-1, 1};
        cp = (cp << 6) | (text[k] & 0x3F);
    }
    return {cp, extra + 1};
}

// Whether some case mapping of the character begins with the ASCII letter `lower` (the long s
// and the Kelvin sign do, so does the sharp s through "SS"): only such a character can begin a
// case-blind match of a needle that begins with that letter.
bool mayBeginWith(qint32 codePoint, char lower)
{
    const char32_t cp = char32_t(codePoint);
    const QString ch = QString::fromUcs4(&cp, 1);
    const QString lowered = ch.toLower();
    const QString raised = ch.toUpper();
    for (const QString& mapped :
         {lowered, raised, ch.toCaseFolded(), lowered.toUpper(), raised.toLower()}) {
        if (!mapped.isEmpty() && mapped.at(0).toLower() == QLatin1Char(lower))
            return true;
    }
    return false;
}

} // namespace

CaseBlindSearch::CaseBlindSearch(const QString& needle, Confirm confirm)
    : needle_(needle), utf8_(needle.toUtf8()), confirm_(std::move(confirm))
{
    for (const QChar c : needle)
        asciiNeedle_ = asciiNeedle_ && c.unicode() < 0x80;
}

qsizetype CaseBlindSearch::foldedMatchEnd(QByteArrayView text, qsizetype at, const QString& needle)
{
    const auto* bytes = reinterpret_cast<const uchar*>(text.data());
    qsizetype p = at;
    for (qsizetype i = 0; i < needle.size(); ++i) {
        if (p >= text.size())
            return -1;
        char32_t want = needle.at(i).unicode();
        if (needle.at(i).isHighSurrogate() && i + 1 < needle.size()) {
            want = QChar::surrogateToUcs4(needle.at(i), needle.at(i + 1));
            ++i;
        }
        const auto [cp, length] = decodeUtf8(bytes + p, text.size() - p);
        if (cp < 0 || QChar::toCaseFolded(char32_t(cp)) != QChar::toCaseFolded(want))
            return -1;
        p += length;
    }
    return p;
}

qsizetype CaseBlindSearch::confirmAt(QByteArrayView text, qsizetype at) const
{
    // Any match spans at most four bytes for each byte of the needle.
    const qsizetype limit = qMin(text.size(), at + 4 * utf8_.size() + 4);
    if (confirm_)
        return confirm_(text, at, limit);
    return foldedMatchEnd(text, at, needle_);
}

CaseBlindSearch::Match CaseBlindSearch::next(QByteArrayView text, qsizetype from) const
{
    if (needle_.isEmpty() || from < 0 || from >= text.size())
        return {};
    if (asciiNeedle_)
        return nextAsciiLed(text, from);
    // A needle with other characters: every character start is a candidate.
    const auto* bytes = reinterpret_cast<const uchar*>(text.data());
    for (qsizetype at = from; at < text.size(); ++at) {
        if ((bytes[at] & 0xC0) == 0x80)
            continue;
        const qsizetype end = foldedMatchEnd(text, at, needle_);
        if (end >= 0)
            return {at, end};
    }
    return {};
}

CaseBlindSearch::Match CaseBlindSearch::nextAsciiLed(QByteArrayView text, qsizetype from) const
{
    // A match can only begin with the needle's first letter in either case, or with a
    // non-ASCII character whose case mappings lead to it, so the text is scanned for those.
    const auto first = uchar(utf8_[0]);
    const char lower = asciiLower(first);
    const uchar upper = uchar(lower >= 'a' && lower <= 'z' ? lower - 32 : lower);
    bool candidate[256] = {};
    candidate[uchar(lower)] = true;
    candidate[upper] = true;
    for (int b = 0xC0; b < 256; ++b)
        candidate[b] = true;
    // What mayBeginWith said per character: a table for the two-byte ones (accented Latin,
    // Greek, Cyrillic, ...), a hash for the rest.
    std::array<qint8, 0x800> smallChecked;
    smallChecked.fill(-1);
    QHash<qint32, bool> leadsChecked;

    const auto* text0 = reinterpret_cast<const uchar*>(text.data());
    const uchar* end = text0 + text.size();
    // Eight bytes at a time while none of them can begin a match.
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    constexpr quint64 kHighs = 0x8080808080808080ULL;
    const quint64 lowers = kOnes * uchar(lower);
    const quint64 uppers = kOnes * upper;
    const auto hasByte = [](quint64 word, quint64 pattern) {
        const quint64 v = word ^ pattern;
        return (v - kOnes) & ~v & kHighs;
    };
    for (const uchar* p = text0 + from;; ++p) {
        for (quint64 word; end - p >= 8; p += 8) {
            std::memcpy(&word, p, 8);
            // A lead byte of a non-ASCII character has its two top bits set.
            if (hasByte(word, lowers) | hasByte(word, uppers) | (word & (word << 1) & kHighs))
                break;
        }
        while (p < end && !candidate[*p])
            ++p;
        if (p >= end)
            return {};
        const qsizetype at = p - text0;
        bool ask = false;
        if (*p < 0x80) {
            const Verdict verdict = compareAscii(p, end - p, utf8_);
            if (verdict == Verdict::Match)
                return {at, at + utf8_.size()};
            ask = verdict == Verdict::Unsure;
        } else {
            const qint32 cp = decodeUtf8(p, end - p).first;
            if (cp >= 0 && cp < 0x800) {
                qint8& known = smallChecked[size_t(cp)];
                if (known < 0)
                    known = mayBeginWith(cp, lower) ? 1 : 0;
                ask = known;
            } else {
                auto known = leadsChecked.constFind(cp);
                if (known == leadsChecked.constEnd())
                    known = leadsChecked.insert(cp, cp < 0 || mayBeginWith(cp, lower));
                ask = *known;
            }
        }
        if (ask) {
            const qsizetype matchEnd = confirmAt(text, at);
            if (matchEnd >= 0)
                return {at, matchEnd};
        }
    }
}

QList<CaseBlindSearch::Match> CaseBlindSearch::all(QByteArrayView text) const
{
    QList<Match> matches;
    for (Match m = next(text, 0); m.found(); m = next(text, qMax(m.end, m.start + 1)))
        matches.append(m);
    return matches;
}
