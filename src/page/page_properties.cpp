#include "page/page_properties.h"

#include "core/file_names.h"
#include "core/markup_values.h"

namespace PageProperties {

const QStringList& attributeSearchNames()
{
    static const QStringList names = {
        QStringLiteral("BACKGROUND="), QStringLiteral("BGCOLOR="), QStringLiteral("TEXT="),
        QStringLiteral(" LINK="),      QStringLiteral("VLINK="),   QStringLiteral("ALINK="),
    };
    return names;
}

const QStringList& attributeWrittenNames()
{
    static const QStringList names = {
        QStringLiteral(" BACKGROUND="), QStringLiteral(" BGCOLOR="), QStringLiteral(" TEXT="),
        QStringLiteral(" LINK="),       QStringLiteral(" VLINK="),   QStringLiteral(" ALINK="),
    };
    return names;
}

QString pageTitle(const QString& text)
{
    static const QString open = QStringLiteral("<TITLE>");
    const qsizetype start = text.indexOf(open);
    if (start < 0)
        return QStringLiteral("No Title");
    const qsizetype end = text.indexOf(QStringLiteral("</TITLE>"));
    const qsizetype from = start + open.size();
    if (end < from)
        return QString();
    return text.mid(from, end - from);
}

namespace {
QChar upperAscii(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z') ? QChar(c.unicode() - 32) : c;
}

// Case-insensitive for ASCII letters only, so that no other character can match a tag name
// and no position moves.
qsizetype indexOfAsciiNoCase(const QString& haystack, const QString& upperNeedle)
{
    const qsizetype n = upperNeedle.size();
    for (qsizetype i = 0; i + n <= haystack.size(); ++i) {
        qsizetype k = 0;
        while (k < n && upperAscii(haystack.at(i + k)) == upperNeedle.at(k))
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}
} // namespace

QString asciiUpper(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = upperAscii(c);
    return out;
}

BodyTag findBodyTag(const QString& text)
{
    BodyTag tag;
    const qsizetype start = indexOfAsciiNoCase(text, QStringLiteral("<BODY"));
    if (start < 0)
        return tag;
    tag.start = int(start);
    const qsizetype close = text.indexOf(QLatin1Char('>'), start + 5);
    tag.length = close < 0 ? 0 : int(close - start + 1);
    return tag;
}

qsizetype headPrefixLength(QByteArrayView utf8)
{
    qsizetype end = 0;
    const auto reach = [&](QByteArrayView literal) {
        const qsizetype at = utf8.indexOf(literal);
        if (at >= 0)
            end = qMax(end, at + literal.size());
        return at;
    };
    reach("<TITLE>");
    reach("</TITLE>");
    // "<BODY" in any letter case, then the first ">" after it.
    const char* data = utf8.data();
    for (qsizetype at = 0; at + 5 <= utf8.size(); ++at) {
        at = utf8.indexOf('<', at);
        if (at < 0 || at + 5 > utf8.size())
            break;
        if (QByteArrayView(data + at + 1, 4).compare("BODY", Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype close = utf8.indexOf('>', at + 5);
        end = qMax(end, close < 0 ? utf8.size() : close + 1);
        break;
    }
    return end;
}

QString bodyAttributeText(const QString& text, const BodyTag& tag)
{
    if (!tag.found() || tag.length == 0)
        return QString();
    // Between "<BODY" and ">".
    return text.mid(tag.start + 5, tag.length - 6);
}

QString extractAttribute(const QString& attributeText, const QString& name)
{
    const qsizetype at = indexOfAsciiNoCase(attributeText, asciiUpper(name));
    if (at < 0)
        return QString();
    const qsizetype from = at + name.size();
    // A value in double quotes, as the dialog writes one holding a blank, runs to its closing
    // quote.
    if (attributeText.mid(from, 1) == QLatin1String("\"")) {
        const qsizetype close = attributeText.indexOf(QLatin1Char('"'), from + 1);
        if (close > from)
            return attributeText.mid(from + 1, close - from - 1)
                .replace(QLatin1String("&quot;"), QLatin1String("\""));
    }
    // Only a blank ends a value: tabs and line breaks are part of it.
    const qsizetype blank = attributeText.indexOf(QLatin1Char(' '), from);
    QString value = blank < 0 ? attributeText.mid(from) : attributeText.mid(from, blank - from);
    if (value.startsWith(QLatin1Char('"')))
        value.remove(0, 1);
    if (value.endsWith(QLatin1Char('"')))
        value.chop(1);
    return value;
}

QStringList extractBodyAttributes(const QString& attributeText)
{
    QStringList values;
    for (const QString& name : attributeSearchNames())
        values.append(attributeText.isEmpty() ? QString() : extractAttribute(attributeText, name));
    return values;
}

QString buildBodyTag(const QStringList& sixAttributes, const QStringList& fromPage)
{
    QString tag = QStringLiteral("<BODY");
    const QStringList& names = attributeWrittenNames();
    for (int i = 0; i < AttributeCount && i < sixAttributes.size(); ++i) {
        const QString& value = sixAttributes.at(i);
        if (value.isEmpty())
            continue;
        const bool asRead =
            i < fromPage.size() && value == fromPage.at(i) && !value.contains(QLatin1Char(' '));
        tag += names.at(i) + (asRead ? value : attributeValue(value));
    }
    tag += QLatin1Char('>');
    return tag;
}

QString pathRelativeToDocument(const QString& path, const QString& documentFileName)
{
    if (documentFileName.isEmpty() || documentFileName == kUntitled)
        return path;
    const QString documentFolder = folderPart(documentFileName);
    if (documentFolder.isEmpty())
        return path;
    if (!pathKey(folderPart(path)).startsWith(pathKey(documentFolder)))
        return path;
    return path.mid(documentFolder.size());
}

QuickStartPage quickStartPage(const QString& title, const QStringList& sixAttributes)
{
    QuickStartPage page;
    page.text = QStringLiteral("<HTML>\n<HEAD>\n<TITLE>") + title +
                QStringLiteral("</TITLE>\n</HEAD>\n") + buildBodyTag(sixAttributes) +
                QStringLiteral("\n\n");
    page.placeholderStart = int(page.text.size());
    page.text += kQuickStartPlaceholder + QStringLiteral("\n\n\n\n\n\n\n\n\n</BODY>\n</HTML>\n");
    return page;
}

QString noBodyTagMessage()
{
    return QStringLiteral("This page has no <BODY> tag, so there are no page properties to "
                          "change.");
}

} // namespace PageProperties
