#include "editor/margin_rich_edit.h"

void TMarginRichEdit::setTailStyle(bool visible)
{
    SendScintilla(SCI_STYLESETVISIBLE, kTailStyle, long(visible));
}

void TMarginRichEdit::hideLongLineTails()
{
    // Only the tail of such a line is styled invisible; Scintilla then skips measuring it.
    // Styles move with the text, so typing in the visible part keeps the cut where it was.
    longLinesCutShort_ = 0;
    // A lexer goes on from where it had got to, not from where the tails were set.
    const long endStyled = SendScintilla(SCI_GETENDSTYLED);
    // Right after a load the text lies in one run; reading it that way moves nothing and,
    // unlike the character pointer, never grows the buffer for a terminating NUL.
    const TextRuns runs = EditorTextRuns();
    qsizetype size = runs.first.size();
    const char* text = runs.first.data();
    if (!runs.second.isEmpty())
        text = EditorUtf8Data(&size);
    if (size <= kLongLineDisplayLimit)
        return;
    // One pass over the bytes: asking Scintilla line by line costs more than the load itself.
    const char* end = text + size;
    for (const char* line = text; line < end;) {
        const qsizetype rest = end - line;
        const auto* lf = static_cast<const char*>(
            std::memchr(line, '\n', size_t(std::min<qsizetype>(rest, kLongLineDisplayLimit + 1))));
        if (lf) {
            line = lf + 1;
            continue;
        }
        if (rest <= kLongLineDisplayLimit)
            break;
        const auto* lineEnd = static_cast<const char*>(std::memchr(line, '\n', size_t(rest)));
        if (!lineEnd)
            lineEnd = end;
        const long start = long(line - text) + kLongLineDisplayLimit;
        SendScintilla(SCI_STARTSTYLING, start, 0L);
        SendScintilla(SCI_SETSTYLING, static_cast<unsigned long>(long(lineEnd - text) - start),
                      kTailStyle);
        ++longLinesCutShort_;
        line = lineEnd + 1;
    }
    if (lexer_ && longLinesCutShort_ > 0)
        SendScintilla(SCI_STARTSTYLING, endStyled, 0L);
}

bool TMarginRichEdit::tailIntact(long line) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long start = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long end = self->SendScintilla(SCI_GETLINEENDPOSITION, line);
    if (end - start <= kLongLineDisplayLimit)
        return true;
    // A lexer that runs over a line styles all of it; the tail's middle and end tell.
    const long cut = start + kLongLineDisplayLimit;
    auto styleAt = [self](long at) { return self->SendScintilla(SCI_GETSTYLEAT, at) & 0xFF; };
    return styleAt(end - 1) == kTailStyle && styleAt(cut + (end - cut) / 2) == kTailStyle;
}

void TMarginRichEdit::styleAroundLongLines()
{
    if (!lexer_ || longLinesCutShort_ == 0)
        return;
    const long length = SendScintilla(SCI_GETLENGTH);
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    const long firstShown = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long firstLine = SendScintilla(SCI_DOCLINEFROMVISIBLE, firstShown);
    const long lastLine =
        qMin(lines - 1, long(SendScintilla(SCI_DOCLINEFROMVISIBLE,
                                           firstShown + SendScintilla(SCI_LINESONSCREEN) + 1)));
    const long target =
        lastLine + 1 < lines ? SendScintilla(SCI_POSITIONFROMLINE, lastLine + 1) : length;
    const long endStyled = SendScintilla(SCI_GETENDSTYLED);
    bool changed = false;
    if (endStyled < target) {
        // The lexer runs up to each cut and starts again after the tail.
        const long styledLine = SendScintilla(SCI_LINEFROMPOSITION, endStyled);
        long from = SendScintilla(SCI_POSITIONFROMLINE, styledLine);
        long lexLine = styledLine;
        // An edit in a hidden tail leaves the shown part of its line as it was styled: the
        // lexer goes on from the next line (a key in the middle of a minified page would
        // otherwise restyle its first 100,000 bytes).
        if (endStyled - from > kLongLineDisplayLimit && styledLine + 1 < lines) {
            lexLine = styledLine + 1;
            from = SendScintilla(SCI_POSITIONFROMLINE, lexLine);
        } else if (endStyled - from > kLongLineDisplayLimit) {
            lexLine = lines;
            from = length;
        }
        for (long line = lexLine; line <= lastLine; ++line) {
            const long start = SendScintilla(SCI_POSITIONFROMLINE, line);
            if (SendScintilla(SCI_GETLINEENDPOSITION, line) - start <= kLongLineDisplayLimit)
                continue;
            if (from < start + kLongLineDisplayLimit)
                SendScintilla(SCI_COLOURISE, from, start + kLongLineDisplayLimit);
            from = line + 1 < lines ? SendScintilla(SCI_POSITIONFROMLINE, line + 1) : length;
        }
        if (from < target)
            SendScintilla(SCI_COLOURISE, from, target);
        changed = true;
    }
    for (long line = firstLine; line <= lastLine; ++line) {
        if (tailIntact(line))
            continue;
        const long start = SendScintilla(SCI_POSITIONFROMLINE, line) + kLongLineDisplayLimit;
        SendScintilla(SCI_STARTSTYLING, start, 0L);
        SendScintilla(SCI_SETSTYLING, SendScintilla(SCI_GETLINEENDPOSITION, line) - start,
                      kTailStyle);
        changed = true;
    }
    // Everything up to the end of the screen counts as styled, tails included.
    if (changed)
        SendScintilla(SCI_STARTSTYLING, qMax(endStyled, target), 0L);
}

void TMarginRichEdit::paintEvent(QPaintEvent* event)
{
    styleAroundLongLines();
    QsciScintilla::paintEvent(event);
}
