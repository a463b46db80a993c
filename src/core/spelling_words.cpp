#include "core/spelling_words.h"

#include "core/tag_lexer.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace {

// Character references a page may spell letters with: the Latin-1 names from &nbsp; (160) on,
// in code order, and a few more.
constexpr std::array<const char*, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct NamedReference
{
    const char* name;
    char32_t code;
};
constexpr std::array<NamedReference, 10> kOtherNames = {{{"amp", '&'},
                                                         {"lt", '<'},
                                                         {"gt", '>'},
                                                         {"quot", '"'},
                                                         {"apos", '\''},
                                                         {"OElig", 0x152},
                                                         {"oelig", 0x153},
                                                         {"Scaron", 0x160},
                                                         {"scaron", 0x161},
                                                         {"rsquo", 0x2019}}};

// Characters Windows-1252 puts at 0x80 to 0x9F (its five undefined bytes stand for themselves).
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
    0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

char32_t namedReference(QByteArrayView name)
{
    for (size_t i = 0; i < kLatin1Names.size(); ++i)
        if (name == QByteArrayView(kLatin1Names[i]))
            return char32_t(160 + i);
    for (const NamedReference& r : kOtherNames)
        if (name == QByteArrayView(r.name))
            return r.code;
    return 0;
}

const char* referenceName(char32_t code)
{
    if (code >= 160 && code < 256)
        return kLatin1Names[code - 160];
    for (const NamedReference& r : kOtherNames)
        if (r.code == code)
            return r.name;
    return nullptr;
}

bool isAsciiAlnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A character reference at `at` ("&eacute;", "&#233;", "&#xE9;"): its code (0 when unknown)
// and where it ends; false when "&" starts none.
bool readReference(QByteArrayView s, qsizetype at, qsizetype limit, char32_t* code, qsizetype* end)
{
    qsizetype p = at + 1;
    *code = 0;
    if (p < limit && s[p] == '#') {
        ++p;
        const bool hex = p < limit && (s[p] == 'x' || s[p] == 'X');
        if (hex)
            ++p;
        const qsizetype digits = p;
        char32_t value = 0;
        while (p < limit && p - digits < 8 &&
               (hex ? std::isxdigit(uchar(s[p])) : (s[p] >= '0' && s[p] <= '9'))) {
            const char c = s[p];
            const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            value = value * (hex ? 16 : 10) + char32_t(digit);
            ++p;
        }
        if (p == digits)
            return false;
        *code = value <= 0x10FFFF ? value : 0;
    } else {
        const qsizetype name = p;
        while (p < limit && p - name < 10 && isAsciiAlnum(s[p]))
            ++p;
        if (p == name)
            return false;
        *code = namedReference(s.sliced(name, p - name));
    }
    if (p < limit && s[p] == ';')
        ++p;
    *end = p;
    return true;
}

// One UTF-8 character at `at`; a stray byte stands for U+FFFD.
char32_t readUtf8(QByteArrayView s, qsizetype at, qsizetype limit, qsizetype* end)
{
    const uchar c = uchar(s[at]);
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || at + extra >= limit + (extra == 0 ? 1 : 0)) {
        *end = at + 1;
        return extra == 0 ? c : 0xFFFD;
    }
    char32_t code = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const uchar next = uchar(s[at + k]);
        if ((next & 0xC0) != 0x80) {
            *end = at + 1;
            return 0xFFFD;
        }
        code = (code << 6) | (next & 0x3F);
    }
    *end = at + 1 + extra;
    return code;
}

bool isLetter(char32_t c)
{
    return QChar::isLetter(c) || QChar::isMark(c);
}

bool isApostrophe(char32_t c)
{
    return c == '\'' || c == 0x2019;
}

// Tags a browser draws inside a line of text: a word may run through them.
bool isInlineTag(QByteArrayView name)
{
    static constexpr std::array<const char*, 25> kInline = {
        "A",      "ABBR",   "ACRONYM", "B",   "BDO", "BIG", "CITE", "CODE",  "DFN",
        "EM",     "FONT",   "I",       "KBD", "Q",   "S",   "SAMP", "SMALL", "SPAN",
        "STRIKE", "STRONG", "SUB",     "SUP", "TT",  "U",   "VAR"};
    for (const char* tag : kInline)
        if (sameTagName(name, QByteArrayView(tag)))
            return true;
    return false;
}

// Text that is an address, not words: "http://...", "www....", "name@host".
bool isAddress(QByteArrayView chunk)
{
    if (chunk.size() >= 4 &&
        QByteArrayView(chunk.first(4)).compare("www.", Qt::CaseInsensitive) == 0)
        return true;
    return chunk.contains(QByteArrayView("://")) || chunk.contains('@');
}

class WordReader
{
public:
    WordReader(QByteArrayView page, qsizetype to,
               const std::function<void(const SpellWord&)>& visit)
        : page_(page), to_(to), visit_(visit)
    {
    }

    // Reads the words of page_[from, limit); in text, "<" starts only comments and declarations
    // (the lexer has taken the tags). False once past `to` with no word open.
    bool read(qsizetype from, qsizetype limit, bool text)
    {
        qsizetype i = from;
        bool chunkStart = true;
        while (i < limit) {
            if (!open_ && i >= to_)
                return false;
            const char c = page_[i];
            if (isBlank(c)) {
                flush();
                chunkStart = true;
                ++i;
                continue;
            }
            if (text && c == '<') {
                flush();
                i = skipMarkup(i, limit);
                chunkStart = true;
                continue;
            }
            if (chunkStart) {
                chunkStart = false;
                qsizetype end = i;
                while (end < limit && end - i < 4096 && !isBlank(page_[end]) && page_[end] != '<')
                    ++end;
                if (isAddress(page_.sliced(i, end - i))) {
                    flush();
                    i = end;
                    continue;
                }
            }
            qsizetype end = i + 1;
            char32_t code = 0;
            bool reference = false;
            if (c == '&') {
                if (!readReference(page_, i, limit, &code, &end)) {
                    flush();
                    ++i;
                    continue;
                }
                reference = true;
            } else {
                code = readUtf8(page_, i, limit, &end);
            }
            if (isLetter(code) || (open_ && isApostrophe(code) && letterAt(end, limit))) {
                add(code, i, end, reference);
            } else if (code == '_' || (code < 0x80 && std::isdigit(int(code))) ||
                       QChar::isDigit(code)) {
                add(code, i, end, reference);
                spoilt_ = true;
            } else {
                flush();
            }
            i = end;
        }
        return true;
    }

    // A tag went by: an inline one leaves the word open, any other ends it.
    void tag(bool inlineTag)
    {
        if (!inlineTag)
            flush();
        else if (open_)
            throughTag_ = true;
    }

    void flush()
    {
        if (open_ && !spoilt_ && !word_.text.isEmpty()) {
            while (word_.text.endsWith(QLatin1Char('\'')))
                word_.text.chop(1);
            if (!word_.text.isEmpty())
                visit_(word_);
        }
        open_ = false;
        spoilt_ = false;
        throughTag_ = false;
        word_.text.resize(0); // keeps its buffer for the next word
        word_.split = false;
        word_.referenced = false;
    }

private:
    void add(char32_t code, qsizetype start, qsizetype end, bool reference)
    {
        if (!open_) {
            open_ = true;
            word_.start = start;
        }
        if (throughTag_)
            word_.split = true;
        throughTag_ = false;
        word_.end = end;
        word_.referenced = word_.referenced || reference;
        if (QChar::requiresSurrogates(code)) {
            word_.text.append(QChar(QChar::highSurrogate(code)));
            word_.text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            word_.text.append(QChar(char16_t(code)));
        }
    }

    bool letterAt(qsizetype at, qsizetype limit) const
    {
        if (at >= limit)
            return false;
        qsizetype end = 0;
        char32_t code = 0;
        if (page_[at] == '&') {
            if (!readReference(page_, at, limit, &code, &end))
                return false;
        } else {
            code = readUtf8(page_, at, limit, &end);
        }
        return isLetter(code);
    }

    // Comments and declarations are no text; any other "<" is a character.
    qsizetype skipMarkup(qsizetype i, qsizetype limit) const
    {
        const QByteArrayView rest = page_.sliced(i, limit - i);
        if (rest.startsWith("<!--")) {
            const qsizetype close = rest.indexOf(QByteArrayView("-->"), 4);
            return close < 0 ? limit : i + close + 3;
        }
        if (rest.startsWith("<!") || rest.startsWith("<?")) {
            const qsizetype close = rest.indexOf('>');
            return close < 0 ? limit : i + close + 1;
        }
        return i + 1;
    }

    QByteArrayView page_;
    qsizetype to_;
    std::function<void(const SpellWord&)> visit_;
    SpellWord word_;
    bool open_ = false;
    bool spoilt_ = false;
    bool throughTag_ = false;
};

bool startsTagNamed(QByteArrayView s, qsizetype at, bool closing, const char* name)
{
    const qsizetype from = at + (closing ? 2 : 1);
    const qsizetype length = qsizetype(std::strlen(name));
    if (closing && (at + 1 >= s.size() || s[at + 1] != '/'))
        return false;
    if (from + length > s.size() || !sameTagName(s.sliced(from, length), QByteArrayView(name)))
        return false;
    return from + length == s.size() || !isAsciiAlnum(s[from + length]);
}

QString normalizedLanguage(QString name)
{
    return name.replace(QLatin1Char('-'), QLatin1Char('_')).trimmed().toLower();
}

} // namespace

void forEachSpellingWord(QByteArrayView page, qsizetype from, qsizetype to,
                         const std::function<void(const SpellWord&)>& visit)
{
    from = qBound(qsizetype(0), from, page.size());
    const auto inRange = [&](const SpellWord& w) {
        if (w.start >= from && w.start < to)
            visit(w);
    };
    const QByteArrayView rest = page.sliced(from);
    WordReader text(page, to, inRange);
    TagLexer lexer(rest);
    LexedTag tag;
    qsizetype at = 0;
    bool rawContent = false; // what follows a SCRIPT or STYLE start tag, up to its end tag
    for (;;) {
        const bool more = lexer.next(tag);
        const qsizetype segmentEnd = more ? tag.start : rest.size();
        if (rawContent)
            text.flush();
        else if (!text.read(from + at, from + segmentEnd, true))
            return;
        rawContent = false;
        if (!more)
            break;
        text.tag(isInlineTag(tag.name));
        if (!tag.closing) {
            for (const TagAttribute& a : tag.attributes) {
                if (a.valueStart < 0 || !(sameTagName(a.name, QByteArrayView("ALT")) ||
                                          sameTagName(a.name, QByteArrayView("TITLE"))))
                    continue;
                WordReader value(page, page.size(), inRange);
                value.read(from + a.valueStart, from + a.valueStart + a.value.size(), false);
                value.flush();
            }
            rawContent = sameTagName(tag.name, QByteArrayView("SCRIPT")) ||
                         sameTagName(tag.name, QByteArrayView("STYLE"));
        }
        at = tag.end;
        if (from + at >= to && !rawContent) {
            // Past the range: only a word still open needs the text after this tag.
            text.read(from + at, from + rest.size(), true);
            break;
        }
    }
    text.flush();
}

qsizetype spellingResyncPoint(QByteArrayView page, qsizetype at, qsizetype reach)
{
    at = qBound(qsizetype(0), at, page.size());
    const qsizetype low = qMax(qsizetype(0), at - reach);
    qsizetype lastOpen = -1, lastClose = -1, commentOpen = -1, commentClose = -1, rawOpen = -1,
              rawClose = -1;
    const char* data = page.data();
    // Eight bytes at a time past those that are neither "<" nor ">": this runs on every key.
    constexpr quint64 kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    const auto holds = [](quint64 word, char c) {
        const quint64 x = word ^ (kOnes * uchar(c));
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    qsizetype i = low;
    while (i < at) {
        if (at - i >= 8) {
            quint64 word;
            std::memcpy(&word, data + i, 8);
            if (!holds(word, '<') && !holds(word, '>')) {
                i += 8;
                continue;
            }
        }
        const char c = data[i];
        if (c == '>') {
            lastClose = i;
            if (i - 2 >= low && data[i - 1] == '-' && data[i - 2] == '-')
                commentClose = i;
        } else if (c == '<') {
            lastOpen = i;
            const char next = i + 1 < page.size() ? data[i + 1] : '\0';
            if (next == '!') {
                if (page.sliced(i).startsWith("<!--"))
                    commentOpen = i;
            } else if (next == '/') {
                if (startsTagNamed(page, i, true, "SCRIPT") ||
                    startsTagNamed(page, i, true, "STYLE"))
                    rawClose = i;
            } else if (next == 'S' || next == 's') {
                if (startsTagNamed(page, i, false, "SCRIPT") ||
                    startsTagNamed(page, i, false, "STYLE"))
                    rawOpen = i;
            }
        }
        ++i;
    }
    if (commentOpen > commentClose)
        return commentOpen;
    if (rawOpen > rawClose)
        return rawOpen;
    if (lastOpen > lastClose)
        return lastOpen;
    return at;
}

QString pageLanguage(QByteArrayView page)
{
    QString language;
    forEachTag(page, [&](const LexedTag& tag) {
        if (tag.start > 64 * 1024)
            return false;
        const bool html = sameTagName(tag.name, QByteArrayView("HTML"));
        const bool body = sameTagName(tag.name, QByteArrayView("BODY"));
        if (!tag.closing && (html || body))
            if (const TagAttribute* lang = tag.attribute("LANG"); lang && !lang->value.isEmpty()) {
                language = QString::fromUtf8(lang->value).trimmed();
                return false;
            }
        return !body;
    });
    return language;
}

QString chooseDictionary(const QStringList& installed, const QString& pageLanguage,
                         const QString& chosen, const QString& locale)
{
    const QStringList wanted = {pageLanguage, chosen, locale, QStringLiteral("en_US")};
    const auto exact = [&](const QString& name) -> QString {
        for (const QString& d : installed)
            if (!name.isEmpty() && normalizedLanguage(d) == normalizedLanguage(name))
                return d;
        return {};
    };
    const auto language = [](const QString& name) {
        return normalizedLanguage(name).section(QLatin1Char('_'), 0, 0);
    };
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        if (const QString d = exact(wanted[i]); !d.isEmpty())
            return d;
        // "en", or "en_ZA" with no dictionary of its own, takes a dictionary of its language:
        // the one a later choice names, else the first.
        const QString lang = language(wanted[i]);
        if (lang.isEmpty())
            continue;
        for (qsizetype j = i + 1; j < wanted.size(); ++j)
            if (const QString d = exact(wanted[j]); !d.isEmpty() && language(d) == lang)
                return d;
        for (const QString& d : installed)
            if (language(d) == lang)
                return d;
    }
    return installed.value(0);
}

QByteArray spellingReplacement(const QString& suggestion, bool singleBytePage, bool referenced)
{
    QByteArray out;
    for (char32_t code : suggestion.toUcs4()) {
        const bool ascii = code < 0x80;
        const bool fits = !singleBytePage || ascii || (code >= 0xA0 && code <= 0xFF) ||
                          std::find(kWindows1252High.begin(), kWindows1252High.end(), code) !=
                              kWindows1252High.end();
        if (ascii || (fits && !referenced)) {
            out += QString::fromUcs4(&code, 1).toUtf8();
        } else if (const char* name = referenceName(code); name && referenced) {
            out += '&' + QByteArray(name) + ';';
        } else {
            out += "&#" + QByteArray::number(uint(code)) + ';';
        }
    }
    return out;
}
