#include "editor/margin_rich_edit.h"

#include <algorithm>

void TMarginRichEdit::ensureCharacterIndex() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (!(self->SendScintilla(SCI_GETLINECHARACTERINDEX) & SC_LINECHARACTERINDEX_UTF16))
        self->SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
}

long TMarginRichEdit::charToByte(int position) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (position <= 0)
        return 0;
    ensureCharacterIndex();
    const long length = self->SendScintilla(SCI_GETLENGTH);
    const long line =
        self->SendScintilla(SCI_LINEFROMINDEXPOSITION, position, SC_LINECHARACTERINDEX_UTF16);
    const long lineStart = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long lineIndex =
        self->SendScintilla(SCI_INDEXPOSITIONFROMLINE, line, SC_LINECHARACTERINDEX_UTF16);
    const long lineEnd = line + 1 < self->SendScintilla(SCI_GETLINECOUNT)
                             ? self->SendScintilla(SCI_POSITIONFROMLINE, line + 1)
                             : length;
    const long want = position - lineIndex;
    if (want <= 0)
        return lineStart;
    // Past the end of the line (or document): clamp instead of asking beyond it.
    const long units = self->SendScintilla(SCI_COUNTCODEUNITS, lineStart, lineEnd);
    if (want >= units)
        return lineEnd;
    return self->SendScintilla(SCI_POSITIONRELATIVECODEUNITS, lineStart, want);
}

int TMarginRichEdit::byteToChar(long position) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (position <= 0)
        return 0;
    ensureCharacterIndex();
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, position);
    const long lineStart = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long lineIndex =
        self->SendScintilla(SCI_INDEXPOSITIONFROMLINE, line, SC_LINECHARACTERINDEX_UTF16);
    return int(lineIndex + self->SendScintilla(SCI_COUNTCODEUNITS, lineStart, position));
}

int TMarginRichEdit::TextLength() const
{
    return byteToChar(const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETLENGTH));
}

int TMarginRichEdit::SelectionStart() const
{
    return byteToChar(const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETSELECTIONSTART));
}

int TMarginRichEdit::SelectionLength() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long start = self->SendScintilla(SCI_GETSELECTIONSTART);
    const long end = self->SendScintilla(SCI_GETSELECTIONEND);
    if (end <= start)
        return 0;
    return byteToChar(end) - byteToChar(start);
}

void TMarginRichEdit::setSelectionBytes(long anchor, long caret)
{
    closeCompletionList();
    // A folded element opens when a command puts the caret inside it.
    if (lexer_)
        SendScintilla(SCI_ENSUREVISIBLE, SendScintilla(SCI_LINEFROMPOSITION, caret));
    SendScintilla(SCI_SETSEL, anchor, caret);
}

void TMarginRichEdit::SetSelectionStart(int position)
{
    const long pos = charToByte(position);
    setSelectionBytes(pos, pos);
}

void TMarginRichEdit::SetSelectionLength(int count)
{
    const int start = SelectionStart();
    const long startByte = SendScintilla(SCI_GETSELECTIONSTART);
    const long endByte = count <= 0 ? startByte : charToByte(start + count);
    setSelectionBytes(startByte, endByte);
}

QString TMarginRichEdit::SelectedText() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long start = self->SendScintilla(SCI_GETSELECTIONSTART);
    const long end = self->SendScintilla(SCI_GETSELECTIONEND);
    if (end <= start)
        return QString();
    const char* data =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, start, end - start));
    return QString::fromUtf8(data, end - start);
}

QRect TMarginRichEdit::SelectionScreenRect() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long start = self->SendScintilla(SCI_GETSELECTIONSTART);
    const long end = self->SendScintilla(SCI_GETSELECTIONEND);
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, start);
    const long lineEnd = self->SendScintilla(SCI_GETLINEENDPOSITION, line);
    const int x = int(self->SendScintilla(SCI_POINTXFROMPOSITION, 0L, start));
    const int y = int(self->SendScintilla(SCI_POINTYFROMPOSITION, 0L, start));
    const int right = int(self->SendScintilla(SCI_POINTXFROMPOSITION, 0L, qMin(end, lineEnd)));
    const int height = int(self->SendScintilla(SCI_TEXTHEIGHT, line));
    const QRect local(QPoint(x, y), QPoint(qMax(x + 1, right), y + height - 1));
    return QRect(viewport()->mapToGlobal(local.topLeft()), local.size());
}

long TMarginRichEdit::ByteLength() const
{
    return const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETLENGTH);
}

long TMarginRichEdit::CaretByte() const
{
    return const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETCURRENTPOS);
}

std::pair<int, int> TMarginRichEdit::LineColumnAtByte(long position) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, position);
    const long lineStart = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long column = self->SendScintilla(SCI_COUNTCHARACTERS, lineStart, position);
    return {int(line + 1), int(column + 1)};
}

long TMarginRichEdit::LineEndByte(int line) const
{
    return const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETLINEENDPOSITION, long(line));
}

void TMarginRichEdit::SelectBytes(long from, long to)
{
    const long length = ByteLength();
    from = std::clamp(from, 0L, length);
    to = std::clamp(to, from, length);
    SendScintilla(SCI_SETSEL, from, to);
    SendScintilla(SCI_SCROLLCARET);
}

int TMarginRichEdit::NewPlaceSet()
{
    return indicatorDefine(QsciScintilla::HiddenIndicator);
}

void TMarginRichEdit::AddPlace(int set, long position, int number)
{
    if (position < 0 || position >= ByteLength())
        return;
    SendScintilla(SCI_SETINDICATORCURRENT, set);
    SendScintilla(SCI_SETINDICATORVALUE, number);
    SendScintilla(SCI_INDICATORFILLRANGE, position, 1L);
}

void TMarginRichEdit::ClearPlaces(int set)
{
    SendScintilla(SCI_SETINDICATORCURRENT, set);
    SendScintilla(SCI_INDICATORCLEARRANGE, 0L, ByteLength());
}

QHash<int, long> TMarginRichEdit::Places(int set) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    // Walk the marks once: each run carries its number.
    QHash<int, long> where;
    const long length = ByteLength();
    for (long pos = 0; pos < length;) {
        const long value = self->SendScintilla(SCI_INDICATORVALUEAT, set, pos);
        const long end = self->SendScintilla(SCI_INDICATOREND, set, pos);
        if (value > 0 && !where.contains(int(value)))
            where.insert(int(value), pos);
        if (end <= pos)
            break;
        pos = end;
    }
    return where;
}
