#include "editor/applet_markup.h"

#include "core/file_names.h"
#include "core/markup_values.h"

#include <QFileInfo>

QString buildAppletElement(const AppletFields& fields)
{
    QString element = QStringLiteral("<APPLET CODE=") + attributeValue(fields.classFile);
    if (!fields.height.isEmpty())
        element += QStringLiteral(" HEIGHT=") + attributeValue(fields.height);
    if (!fields.width.isEmpty())
        element += QStringLiteral(" WIDTH=") + attributeValue(fields.width);
    if (fields.align != QLatin1String("(none)"))
        element += QStringLiteral(" ALIGN=") + attributeValue(fields.align);
    if (!fields.codebase.isEmpty())
        element += QStringLiteral(" CODEBASE=") + attributeValue(fields.codebase);
    if (!fields.name.isEmpty())
        element += QStringLiteral(" NAME=") + attributeValue(fields.name);
    if (!fields.alt.isEmpty())
        element += QStringLiteral(" ALT=\"") + fields.alt + QLatin1Char('"');
    element += fields.params;
    element += QStringLiteral("> </APPLET>");
    return element;
}

QString documentFolderOf(const QString& documentFileName)
{
    if (documentFileName == kUntitled)
        return QString();
    return folderPart(documentFileName);
}

QString DocumentRelativePath(const QString& fileName, const QString& documentFolder)
{
    QString text = fileName;
    const QString folder = pathKey(documentFolder);
    if (QFileInfo(text).isFile() && pathKey(folderPart(text)) == folder)
        text = fileNamePart(text);
    // A file below the document's folder keeps the sub-folders under it.
    if (pathKey(folderPart(text)).left(folder.size()) == folder)
        text.remove(0, folder.size());
    if (text.isEmpty())
        return text;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return text;
}
