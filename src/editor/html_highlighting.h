#pragma once

#include <QColor>

class QFont;
class QsciLexerHTML;

// The colours of the markup: one per kind of text, picked to read well on the paper.
struct HighlightScheme
{
    QColor paper;
    QColor text;      // plain text, and anything without a colour of its own
    QColor tag;       // element names and the brackets around them
    QColor attribute; // attribute names
    QColor value;     // attribute values, quoted or not, and numbers
    QColor entity;    // &amp; and friends
    QColor comment;
    QColor declaration; // <!DOCTYPE ...>
    QColor margin;      // the line number and fold margins
    QColor marginText;
    QColor match; // the outline of a tag name and its partner's
};

// Dark desktops get light colours and light desktops dark ones; the choice follows the
// lightness of the palette's base colour, which the editor's paper is.
bool isDarkColor(const QColor& color);
HighlightScheme highlightSchemeFor(const QColor& base, const QColor& text);

// Gives every style of the lexer the scheme's colour for its kind, the paper, and the user's
// editor font, so highlighting never changes the font or size the user chose.
void applyHighlightScheme(QsciLexerHTML& lexer, const HighlightScheme& scheme, const QFont& font);
