#include "editor/html_highlighting.h"

#include <Qsci/qscilexerhtml.h>

#include <QFont>

bool isDarkColor(const QColor& color)
{
    return color.lightnessF() < 0.5;
}

HighlightScheme highlightSchemeFor(const QColor& base, const QColor& text)
{
    HighlightScheme s;
    s.paper = base;
    s.text = text;
    if (isDarkColor(base)) {
        s.tag = QColor(0x6C, 0xB6, 0xFF);
        s.attribute = QColor(0x9C, 0xDC, 0xFE);
        s.value = QColor(0xF0, 0xA8, 0x78);
        s.entity = QColor(0xE5, 0xC0, 0x7B);
        s.comment = QColor(0x8F, 0xC0, 0x7A);
        s.declaration = QColor(0xB0, 0xB0, 0xB0);
        s.margin = base.lighter(125);
        s.marginText = QColor(0xB8, 0xB8, 0xB8);
        s.match = QColor(0xFF, 0xC8, 0x3D);
    } else {
        s.tag = QColor(0x00, 0x00, 0x9C);
        s.attribute = QColor(0x7A, 0x1F, 0x86);
        s.value = QColor(0xA3, 0x15, 0x15);
        s.entity = QColor(0x80, 0x50, 0x00);
        s.comment = QColor(0x1E, 0x6E, 0x1E);
        s.declaration = QColor(0x55, 0x55, 0x55);
        s.margin = base.darker(110);
        s.marginText = QColor(0x50, 0x50, 0x50);
        s.match = QColor(0x00, 0x5F, 0xD0);
    }
    return s;
}

namespace {

const QColor& colourOf(int style, const HighlightScheme& s)
{
    switch (style) {
    case QsciLexerHTML::Tag:
    case QsciLexerHTML::UnknownTag:
    case QsciLexerHTML::XMLTagEnd:
    case QsciLexerHTML::XMLStart:
    case QsciLexerHTML::XMLEnd:
    case QsciLexerHTML::Script:
    case QsciLexerHTML::JavaScriptKeyword:
        return s.tag;
    case QsciLexerHTML::Attribute:
    case QsciLexerHTML::UnknownAttribute:
        return s.attribute;
    case QsciLexerHTML::HTMLNumber:
    case QsciLexerHTML::HTMLDoubleQuotedString:
    case QsciLexerHTML::HTMLSingleQuotedString:
    case QsciLexerHTML::HTMLValue:
    case QsciLexerHTML::CDATA:
    case QsciLexerHTML::JavaScriptNumber:
    case QsciLexerHTML::JavaScriptDoubleQuotedString:
    case QsciLexerHTML::JavaScriptSingleQuotedString:
    case QsciLexerHTML::JavaScriptRegex:
        return s.value;
    case QsciLexerHTML::Entity:
    case QsciLexerHTML::SGMLEntity:
        return s.entity;
    case QsciLexerHTML::HTMLComment:
    case QsciLexerHTML::ASPXCComment:
    case QsciLexerHTML::SGMLComment:
    case QsciLexerHTML::SGMLParameterComment:
    case QsciLexerHTML::JavaScriptComment:
    case QsciLexerHTML::JavaScriptCommentLine:
    case QsciLexerHTML::JavaScriptCommentDoc:
        return s.comment;
    default:
        break;
    }
    if (style >= QsciLexerHTML::SGMLDefault && style <= QsciLexerHTML::SGMLBlockDefault)
        return s.declaration;
    return s.text;
}

} // namespace

void applyHighlightScheme(QsciLexerHTML& lexer, const HighlightScheme& scheme, const QFont& font)
{
    lexer.setDefaultFont(font);
    lexer.setDefaultPaper(scheme.paper);
    lexer.setDefaultColor(scheme.text);
    // Every style the lexer uses, embedded scripts included: their own papers would show as
    // bright bars on a dark desktop.
    for (int style = 0; style < 128; ++style) {
        if (lexer.description(style).isEmpty())
            continue;
        lexer.setFont(font, style);
        lexer.setPaper(scheme.paper, style);
        lexer.setColor(colourOf(style, scheme), style);
        lexer.setEolFill(false, style);
    }
}
