#include "wizards/image_markup.h"

#include "core/file_names.h"
#include "core/markup_values.h"

QString markupFileName(const QString& name)
{
    QString out = name;
    out.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return out;
}

QString imageBorderValue(const QString& borderBox)
{
    return borderBox == kNoBorder ? QStringLiteral("0") : borderBox;
}

namespace {
// Everything behind "<IMG SRC=" and the name except the border: size, ALT and ALIGN.
QString imageAttributes(const ImageFields& f, bool withSize)
{
    QString a;
    if (withSize && !f.width.isEmpty())
        a += QStringLiteral(" WIDTH=") + attributeValue(f.width);
    if (withSize && !f.height.isEmpty())
        a += QStringLiteral(" HEIGHT=") + attributeValue(f.height);
    if (!f.description.isEmpty())
        a += QStringLiteral(" ALT=\"") + f.description + QLatin1Char('"');
    if (f.align != kNoAlign)
        a += QStringLiteral(" ALIGN=") + attributeValue(f.align);
    return a;
}

QString imageElement(const QString& name, const QString& attributes, const ImageFields& f)
{
    const QString border = attributeValue(imageBorderValue(f.border));
    const QString img = QStringLiteral("<IMG SRC=") + attributeValue(name) + attributes;
    if (!f.link.isEmpty()) {
        // A linked image always states its border, or browsers draw the link colour round it.
        return QStringLiteral("<A HREF=") + attributeValue(f.link) + QLatin1Char('>') + img +
               QStringLiteral(" BORDER=") + border + QStringLiteral("></A>");
    }
    if (border != QLatin1String("0"))
        return img + QStringLiteral(" BORDER=") + border + QLatin1Char('>');
    return img + QLatin1Char('>');
}
} // namespace

QString buildImageMarkup(const ImageFields& fields)
{
    return imageElement(fields.fileName, imageAttributes(fields, true), fields);
}

QString buildSeveralImagesMarkup(const QStringList& names, const ImageFields& fields,
                                 bool breakBetween)
{
    const QString attributes = imageAttributes(fields, false);
    const QString separator = breakBetween ? QStringLiteral("<BR>\n") : QStringLiteral("\n");
    QString out;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += separator;
        out += imageElement(names.at(i), attributes, fields);
    }
    return out;
}

QString shortenImagePath(const QString& name, const QString& documentFileName)
{
    const QString folder = pathKey(folderPart(documentFileName));
    QString n = name;
    if (pathKey(folderPart(n)) == folder)
        n = fileNamePart(n);
    if (pathKey(folderPart(n)).left(folder.size()) == folder)
        n.remove(0, folder.size());
    return n;
}
