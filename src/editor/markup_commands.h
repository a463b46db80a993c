#pragma once

#include <QString>

class QDateTime;
class QLocale;

// The literals of the one-step markup commands and how each goes into the editor.
namespace Markup {

enum class Shape {
    Wrap,      // open + selection + close; no selection: caret between the pieces
    Append,    // selection stays, piece follows it; caret after the piece
    Paragraph, // selection + open + LF LF "</P>"; caret on the empty line
};

struct Command
{
    Shape shape;
    QString open;  // the piece for Append
    QString close; // Wrap only
    bool focusEditor;
};

// The paragraph shape's tail and how far the caret goes back from its end (the second LF
// and "</P>"), which leaves it on the empty line inside the paragraph.
inline const QString kParagraphTail = QStringLiteral("\n\n</P>");
inline constexpr int kParagraphCaretBack = 5;

// Fixed commands by their menu item's name ("Bold1", "Centered1", "GreaterThan1", ...).
// Returns nullptr for a name that is not one of them.
const Command* commandFor(const QString& itemName);

// What a command leaves in the editor when applied to `selected`: the text that replaces the
// selection and the caret's distance back from the end of that text.
struct Result
{
    QString text;
    int caretBack = 0;
};
Result apply(const Command& command, const QString& selected);

// The quick table appended by Quick Table.
QString quickTableText();

// Date in the locale's short format, one blank, time in its long format without the zone name.
QString dateTimeText(const QDateTime& when, const QLocale& locale);
// A time format with its time-zone fields (and the brackets or separator around them) taken out.
QString timeFormatWithoutZone(const QString& format);

} // namespace Markup
