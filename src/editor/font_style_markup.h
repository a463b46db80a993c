#pragma once

#include <QString>

// What the font and style dialog collected.
struct FontStyleChoice
{
    QString typeface;        // empty: no typeface chosen
    bool sizeChosen = false; // once a size is picked it stays in
    QString size;            // a relative size such as "+2" or "-1"
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// The opening and closing pieces that go around the selection.
struct MarkupPair
{
    QString open;
    QString close;
    bool isEmpty() const { return open.isEmpty() && close.isEmpty(); }
};

// FONT with an optional quoted FACE and a SIZE, then B, I and U. The closing tags come in the
// order of the opening ones, and </FONT> last.
MarkupPair buildFontStyleMarkup(const FontStyleChoice& choice);
