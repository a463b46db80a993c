#include "editor/font_style_markup.h"

MarkupPair buildFontStyleMarkup(const FontStyleChoice& choice)
{
    MarkupPair markup;
    bool font = false;
    if (!choice.typeface.isEmpty()) {
        // Quoted: typeface names such as Times New Roman hold blanks.
        markup.open = QStringLiteral("<FONT FACE=\"") + choice.typeface + QLatin1Char('"');
        font = true;
    }
    if (choice.sizeChosen) {
        if (font)
            markup.open += QStringLiteral(" SIZE=") + choice.size;
        else
            markup.open = QStringLiteral("<FONT SIZE=") + choice.size;
        font = true;
    }
    if (font)
        markup.open += QLatin1Char('>');
    if (choice.bold) {
        markup.open += QStringLiteral("<B>");
        markup.close += QStringLiteral("</B>");
    }
    if (choice.italic) {
        markup.open += QStringLiteral("<I>");
        markup.close += QStringLiteral("</I>");
    }
    if (choice.underline) {
        markup.open += QStringLiteral("<U>");
        markup.close += QStringLiteral("</U>");
    }
    if (font)
        markup.close += QStringLiteral("</FONT>");
    return markup;
}
