#include "editor/margin_rich_edit.h"

long TMarginRichEdit::searchBytes(long from, long to, const QByteArray& needle) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    self->SendScintilla(SCI_SETSEARCHFLAGS, 0L); // no case, no whole words
    self->SendScintilla(SCI_SETTARGETRANGE, from, to);
    return self->SendScintilla(SCI_SEARCHINTARGET, needle.size(), needle.constData());
}

CaseBlindSearch TMarginRichEdit::searchFor(const QString& text, long base) const
{
    // Characters outside ASCII are settled by Scintilla's own folding, so Find finds exactly
    // what the editor's search would.
    const QByteArray needle = text.toUtf8();
    return CaseBlindSearch(
        text, [this, needle, base](QByteArrayView, qsizetype at, qsizetype limit) {
            const long start = base + long(at);
            if (searchBytes(start, base + long(limit), needle) != start)
                return qsizetype(-1);
            return qsizetype(const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETTARGETEND) -
                             base);
        });
}

QByteArrayView TMarginRichEdit::bytesFrom(long start) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long length = self->SendScintilla(SCI_GETLENGTH);
    const auto* bytes = reinterpret_cast<const char*>(
        self->SendScintilla(SCI_GETRANGEPOINTER, start, length - start));
    return QByteArrayView(bytes, length - start);
}

int TMarginRichEdit::ReplaceAllText(const QString& text, const QString& replacement)
{
    closeCompletionList();
    if (text.isEmpty() || isReadOnly())
        return 0;
    // Every match of the page as it is now, replaced from the last one back in one undo step,
    // so the positions still to come never move and nothing is searched twice.
    const QList<CaseBlindSearch::Match> matches = searchFor(text, 0).all(bytesFrom(0));
    if (matches.isEmpty())
        return 0;
    const QByteArray replacementUtf8 = replacement.toUtf8();
    SendScintilla(SCI_BEGINUNDOACTION);
    long shift = 0; // what the replacements in front of the last one add
    for (qsizetype i = matches.size() - 1; i >= 0; --i) {
        const auto& m = matches.at(i);
        SendScintilla(SCI_SETTARGETRANGE, long(m.start), long(m.end));
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(replacementUtf8.size()),
                      replacementUtf8.constData());
        if (i < matches.size() - 1)
            shift += long(replacementUtf8.size()) - long(m.end - m.start);
    }
    SendScintilla(SCI_ENDUNDOACTION);
    const long caret = long(matches.last().start) + shift + long(replacementUtf8.size());
    SendScintilla(SCI_SETSEL, caret, caret);
    SendScintilla(SCI_SCROLLCARET);
    noteEdit();
    return int(matches.size());
}

void TMarginRichEdit::ReplaceByteRanges(const QList<ByteReplacement>& replacements)
{
    closeCompletionList();
    if (replacements.isEmpty() || isReadOnly())
        return;
    const long length = ByteLength();
    long caret = -1;
    SendScintilla(SCI_BEGINUNDOACTION);
    // From the last one back, so the ranges still to come never move.
    for (qsizetype i = replacements.size() - 1; i >= 0; --i) {
        const ByteReplacement& r = replacements.at(i);
        if (r.from < 0 || r.to < r.from || r.to > length)
            continue;
        SendScintilla(SCI_SETTARGETRANGE, r.from, r.to);
        SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(r.utf8.size()),
                      r.utf8.constData());
        if (caret < 0)
            caret = r.from + long(r.utf8.size());
        else
            caret += long(r.utf8.size()) - (r.to - r.from);
    }
    SendScintilla(SCI_ENDUNDOACTION);
    if (caret >= 0) {
        SendScintilla(SCI_SETSEL, caret, caret);
        SendScintilla(SCI_SCROLLCARET);
    }
    noteEdit();
}

int TMarginRichEdit::FindText(const QString& text, int from) const
{
    if (text.isEmpty())
        return -1;
    const long start = charToByte(from);
    const CaseBlindSearch::Match found = searchFor(text, start).next(bytesFrom(start), 0);
    return found.found() ? byteToChar(start + long(found.start)) : -1;
}
