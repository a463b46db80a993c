#include "editor/text_search.h"

#include <QHash>
#include <QtAlgorithms>

#include <array>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Which lead bytes can begin a match of a needle whose first byte is the ASCII `first`: the
// letter in either case; a two-byte character's lead only when some character it leads has a
// case mapping that begins with the letter (worked out once per letter); every longer or
// malformed sequence.
struct LeadBytes
{
    std::array<bool, 256> candidate{};
    QList<uchar> twoByteLeads; // the two-byte leads (and C0, C1) among the candidates
};

const LeadBytes& leadBytesFor(uchar first)
{
    static std::array<std::unique_ptr<LeadBytes>, 128> cache;
    std::unique_ptr<LeadBytes>& slot = cache[first & 0x7F];
    if (slot)
        return *slot;
    slot = std::make_unique<LeadBytes>();
    LeadBytes& leads = *slot;
    const char lower = asciiLower(first);
    const bool letter = lower >= 'a' && lower <= 'z';
    leads.candidate[uchar(lower)] = true;
    leads.candidate[uchar(letter ? lower - 32 : lower)] = true;
    for (int b = 0xC0; b < 0x100; ++b) {
        bool may = b < 0xC2 || b >= 0xE0; // malformed, or three and four bytes: always asked
        if (!may && letter) {
            for (int c = 0; c < 64 && !may; ++c)
                may = mayBeginWith(((b & 0x1F) << 6) | c, lower);
        }
        leads.candidate[b] = may;
        if (may && b < 0xE0)
            leads.twoByteLeads.append(uchar(b));
    }
    return leads;
}

// The offset of the first byte in [p, end) that `leads` marks, or end - p. With `second` (the
// needle's second byte, ASCII; -1 for a one-byte needle) an ASCII first letter counts only
// when the byte after it is that byte in either case or not ASCII: any other byte there
// fails the comparison anyway.
qsizetype firstCandidate(const uchar* p, const uchar* end, const LeadBytes& leads, uchar lower,
                         uchar upper, int second)
{
    const uchar* start = p;
#if defined(__SSE2__)
    if (leads.twoByteLeads.size() <= 4) {
        const __m128i lowers = _mm_set1_epi8(char(lower));
        const __m128i uppers = _mm_set1_epi8(char(upper));
        const __m128i longLeads = _mm_set1_epi8(char(0xE0));
        const char secondLower = second < 0 ? 0 : asciiLower(uchar(second));
        const bool secondLetter = secondLower >= 'a' && secondLower <= 'z';
        // A letter in either case is the lower-case one with bit 5 set.
        const __m128i secondFold = _mm_set1_epi8(secondLetter ? 0x20 : 0);
        const __m128i secondWant = _mm_set1_epi8(secondLower);
        const qsizetype reach = second < 0 ? 16 : 17; // bytes read from p in one step
        __m128i twoByte[4];
        const qsizetype count = leads.twoByteLeads.size();
        for (qsizetype i = 0; i < count; ++i)
            twoByte[i] = _mm_set1_epi8(char(leads.twoByteLeads[i]));
        for (; end - p >= reach; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, lowers), _mm_cmpeq_epi8(v, uppers));
            if (second >= 0) {
                const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
                const __m128i fits =
                    _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(next, secondFold), secondWant),
                                 _mm_cmplt_epi8(next, _mm_setzero_si128())); // not ASCII
                hit = _mm_and_si128(hit, fits);
            }
            // v >= 0xE0, unsigned
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_max_epu8(v, longLeads), v));
            for (qsizetype i = 0; i < count; ++i)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, twoByte[i]));
            if (const int mask = _mm_movemask_epi8(hit))
                return (p - start) + qCountTrailingZeroBits(uint(mask));
        }
    }
#endif
    while (p < end && !leads.candidate[*p])
        ++p;
    return p - start;
}

} // namespace

CaseBlindSearch::Match CaseBlindSearch::nextAsciiLed(QByteArrayView text, qsizetype from) const
{
    // A match can only begin with the needle's first letter in either case, or with a
    // non-ASCII character whose case mappings lead to it, so the text is scanned for those.
    const auto first = uchar(utf8_[0]);
    const char lower = asciiLower(first);
    const uchar upper = uchar(lower >= 'a' && lower <= 'z' ? lower - 32 : lower);
    const LeadBytes& leads = leadBytesFor(first);
    // What mayBeginWith said per character: a table for the two-byte ones (accented Latin,
    // Greek, Cyrillic, ...), a hash for the rest.
    std::array<qint8, 0x800> smallChecked;
    smallChecked.fill(-1);
    QHash<qint32, bool> leadsChecked;

    const auto* text0 = reinterpret_cast<const uchar*>(text.data());
    const uchar* end = text0 + text.size();
    const int second = utf8_.size() > 1 ? uchar(utf8_[1]) : -1;
    for (const uchar* p = text0 + from;; ++p) {
        p += firstCandidate(p, end, leads, uchar(lower), upper, second);
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
