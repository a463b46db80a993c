#include "page_generator.h"

#include <array>

namespace PageGenerator {

namespace {

// A small fixed generator, so every run and every machine gets the same pages.
class Lcg
{
public:
    explicit Lcg(quint32 seed) : state_(seed * 2654435761u + 1) {}
    quint32 next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int below(int n) { return int(next() % quint32(n)); }

private:
    quint32 state_;
};

// Ordinary words of a home page; a few carry accents (UTF-8).
constexpr std::array kWords = {
    "the",      "and",     "of",       "to",      "a",        "in",           "for",
    "is",       "on",      "that",     "with",    "our",      "you",          "this",
    "are",      "from",    "page",     "home",    "club",     "news",         "members",
    "meeting",  "summer",  "garden",   "photos",  "links",    "weekend",      "village",
    "history",  "church",  "school",   "team",    "results",  "season",       "friends",
    "family",   "holiday", "report",   "library", "books",    "music",        "concert",
    "tickets",  "price",   "opening",  "hours",   "street",   "station",      "river",
    "bridge",   "market",  "recipe",   "kitchen", "bread",    "cheese",       "apple",
    "computer", "modem",   "software", "version", "download", "email",        "address",
    "visitors", "counter", "guest",    "book",    "under",    "construction", "please",
    "write",    "soon",    "café",     "naïve",   "Müller",   "Gärtner",      "résumé",
    "façade",   "Zürich",  "señor",
};

const char* word(Lcg& rng)
{
    return kWords[size_t(rng.below(int(kWords.size())))];
}

class Writer
{
public:
    explicit Writer(qsizetype reserve) { out_.reserve(reserve + 4096); }

    void line(const QByteArray& text)
    {
        out_.append(text);
        out_.append("\r\n", 2);
    }
    qsizetype size() const { return out_.size(); }
    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
};

QByteArray words(Lcg& rng, int count, bool capital)
{
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text.append(' ');
        QByteArray w = word(rng);
        if (capital && i == 0)
            w[0] = char(w[0] - (w[0] >= 'a' && w[0] <= 'z' ? 32 : 0));
        text.append(w);
    }
    return text;
}

// One line of running text, about 60 columns, with now and then inline markup or an entity.
QByteArray textLine(Lcg& rng)
{
    QByteArray text;
    while (text.size() < 52 + rng.below(16)) {
        if (!text.isEmpty())
            text.append(' ');
        switch (rng.below(24)) {
        case 0:
            text.append("<B>").append(words(rng, 1 + rng.below(2), false)).append("</B>");
            break;
        case 1:
            text.append("<I>").append(word(rng)).append("</I>");
            break;
        case 2:
            text.append("<A HREF=\"page")
                .append(QByteArray::number(rng.below(90)))
                .append(".html\">")
                .append(words(rng, 2, false))
                .append("</A>");
            break;
        case 3:
            text.append("&amp;");
            break;
        case 4:
            text.append("&copy; 1997");
            break;
        default:
            text.append(word(rng));
        }
    }
    return text;
}

void section(Writer& w, Lcg& rng, int number)
{
    w.line("<H2><A NAME=\"s" + QByteArray::number(number) + "\">" + words(rng, 3, true) +
           "</A></H2>");
    const int paragraphs = 1 + rng.below(3);
    for (int p = 0; p < paragraphs; ++p) {
        w.line("<P>");
        const int lines = 3 + rng.below(8);
        for (int i = 0; i < lines; ++i)
            w.line(textLine(rng));
        w.line("</P>");
    }
    switch (rng.below(5)) {
    case 0: {
        w.line("<UL>");
        const int items = 3 + rng.below(5);
        for (int i = 0; i < items; ++i)
            w.line("<LI>" + words(rng, 3 + rng.below(5), true));
        w.line("</UL>");
        break;
    }
    case 1: {
        w.line("<TABLE BORDER=1 CELLPADDING=2 CELLSPACING=0 WIDTH=80%>");
        const int rows = 2 + rng.below(4);
        for (int r = 0; r < rows; ++r) {
            w.line("<TR>");
            for (int c = 0; c < 3; ++c)
                w.line(" <TD>" + words(rng, 1 + rng.below(3), c == 0) + "</TD>");
            w.line("</TR>");
        }
        w.line("</TABLE>");
        break;
    }
    case 2:
        w.line("<CENTER><IMG SRC=\"images/photo" + QByteArray::number(number % 40) +
               ".gif\" WIDTH=" + QByteArray::number(100 + rng.below(300)) +
               " HEIGHT=" + QByteArray::number(60 + rng.below(200)) + " ALT=\"" +
               words(rng, 2, true) + "\"></CENTER>");
        break;
    case 3:
        w.line("<!-- " + words(rng, 4, false) + " -->");
        w.line("<FONT SIZE=2 COLOR=#808080>" + words(rng, 6, true) + "</FONT><BR>");
        break;
    default:
        w.line("<HR WIDTH=60% SIZE=1>");
        break;
    }
}

} // namespace

QByteArray page(qsizetype targetBytes, quint32 seed)
{
    Lcg rng(seed);
    Writer w(targetBytes);
    w.line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">");
    w.line("<HTML>");
    w.line("<HEAD>");
    w.line("<TITLE>The Riverside Garden Club</TITLE>");
    w.line("<META NAME=\"keywords\" CONTENT=\"garden, club, village, news\">");
    w.line("</HEAD>");
    w.line("<BODY BACKGROUND=\"images/paper.gif\" BGCOLOR=#FFFFF0 TEXT=#000000 LINK=#0000FF "
           "VLINK=#800080 ALINK=#FF0000>");
    w.line("<H1>Welcome to the Riverside Garden Club</H1>");

    const QByteArray footer = QByteArray("<HR>\r\n<ADDRESS>") + kFooterPhrase +
                              " &copy; 1998</ADDRESS>\r\n</BODY>\r\n</HTML>\r\n";
    int number = 0;
    while (w.size() + footer.size() < targetBytes) {
        section(w, rng, ++number);
    }
    QByteArray out = w.take();
    // Close the page at the size asked for: cut after the last whole line that fits.
    const qsizetype limit = qMax<qsizetype>(0, targetBytes - footer.size());
    if (out.size() > limit) {
        const qsizetype cut = out.lastIndexOf("\r\n", limit - 2);
        out.truncate(cut < 0 ? 0 : cut + 2);
        if (!out.endsWith("</P>\r\n"))
            out.append("</P>\r\n");
    }
    out.append(footer);
    return out;
}

QByteArray singleLinePage(qsizetype targetBytes, quint32 seed)
{
    QByteArray text = page(targetBytes + targetBytes / 20, seed);
    text.replace("\r\n", " ");
    // Trim to size in the middle, blank to blank, so the footer and every UTF-8 sequence stay.
    const qsizetype excess = text.size() - targetBytes;
    if (excess > 0) {
        const qsizetype from = text.indexOf(' ', text.size() / 2);
        const qsizetype to = from < 0 ? -1 : text.indexOf(' ', from + excess);
        if (to > from)
            text.remove(from, to - from);
    }
    return text;
}

} // namespace PageGenerator
