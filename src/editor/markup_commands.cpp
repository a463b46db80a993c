#include "editor/markup_commands.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

namespace Markup {

namespace {
Command wrap(const char* open, const char* close, bool focus)
{
    return {Shape::Wrap, QLatin1String(open), QLatin1String(close), focus};
}
Command append(const QString& piece, bool focus)
{
    return {Shape::Append, piece, QString(), focus};
}
Command paragraph(const char* open)
{
    return {Shape::Paragraph, QLatin1String(open), QString(), true};
}

const QHash<QString, Command>& commands()
{
    static const QHash<QString, Command> table = {
        {QStringLiteral("Centered1"), paragraph("<P ALIGN=CENTER>")},
        {QStringLiteral("Left1"), paragraph("<P ALIGN=LEFT>")},
        {QStringLiteral("Right1"), paragraph("<P ALIGN=RIGHT>")},
        {QStringLiteral("Default1"), paragraph("<P>")},
        {QStringLiteral("Center1"), wrap("<CENTER>", "</CENTER>", false)},
        {QStringLiteral("Bold1"), wrap("<B>", "</B>", false)},
        {QStringLiteral("Italic1"), wrap("<I>", "</I>", false)},
        {QStringLiteral("Underline1"), wrap("<U>", "</U>", false)},
        {QStringLiteral("Size1Large1"), wrap("<H1>", "</H1>", true)},
        {QStringLiteral("H21"), wrap("<H2>", "</H2>", true)},
        {QStringLiteral("H31"), wrap("<H3>", "</H3>", true)},
        {QStringLiteral("H41"), wrap("<H4>", "</H4>", true)},
        {QStringLiteral("H51"), wrap("<H5>", "</H5>", true)},
        {QStringLiteral("H61"), wrap("<H6>", "</H6>", true)},
        {QStringLiteral("QuickTable2"), append(quickTableText(), false)},
        {QStringLiteral("LineBreak1"), append(QStringLiteral("<BR>\n"), false)},
        {QStringLiteral("AddComment1"),
         append(QStringLiteral("<!--  This is a comment  -->\n"), false)},
        {QStringLiteral("GreaterThan1"), append(QStringLiteral("&gt;"), true)},
        {QStringLiteral("LessThan1"), append(QStringLiteral("&lt;"), true)},
        {QStringLiteral("Space1"), append(QStringLiteral("&nbsp;"), true)},
        {QStringLiteral("Copyright1"), append(QStringLiteral("&copy;"), true)},
        {QStringLiteral("Registered1"), append(QStringLiteral("&reg;"), true)},
    };
    return table;
}
} // namespace

const Command* commandFor(const QString& itemName)
{
    const auto& table = commands();
    const auto it = table.constFind(itemName);
    return it == table.constEnd() ? nullptr : &it.value();
}

Result apply(const Command& command, const QString& selected)
{
    switch (command.shape) {
    case Shape::Wrap:
        if (selected.isEmpty())
            return {command.open + command.close, int(command.close.size())};
        return {command.open + selected + command.close, 0};
    case Shape::Append:
        return {selected + command.open, 0};
    case Shape::Paragraph:
        return {selected + command.open + kParagraphTail, kParagraphCaretBack};
    }
    return {};
}

QString quickTableText()
{
    return QStringLiteral("\n\n"
                          "<TABLE>\n"
                          "  <TR>\n"
                          "      <TD>\n\n"
                          "      Table Data/Column 1 \n\n"
                          "      </TD>\n\n"
                          "       <TD>\n\n"
                          "       Table Data/Column 2\n\n"
                          "       </TD>\n"
                          "  </TR>\n"
                          "</TABLE>\n\n");
}

QString timeFormatWithoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) // '' inside or outside quotes toggles twice: no harm
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t')) {
            out += c;
            continue;
        }
        while (i + 1 < n && format[i + 1] == QLatin1Char('t'))
            ++i;
        // "(t)" and "[t]" go with their brackets, ", t" and " t" with their separator.
        if (out.endsWith(QLatin1Char('(')) || out.endsWith(QLatin1Char('['))) {
            const QChar close =
                out.back() == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char(']');
            out.chop(1);
            if (i + 1 < n && format[i + 1] == close)
                ++i;
        }
        while (!out.isEmpty() && (out.back().isSpace() || out.back() == QLatin1Char(',')))
            out.chop(1);
        if (out.isEmpty())
            while (i + 1 < n && format[i + 1].isSpace())
                ++i;
    }
    return out.trimmed();
}

QString dateTimeText(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(),
                           timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

} // namespace Markup
