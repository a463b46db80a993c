// Spelling marks: an indicator under misspelt words, and what finding and fixing them needs.
#include "editor/html_highlighting.h"
#include "editor/margin_rich_edit.h"

namespace {

constexpr long kSpellingIndicator = 9; // next to the matching-tag mark

} // namespace

void TMarginRichEdit::applySpellingStyle()
{
    // Red that stands out on the paper: deep on light paper, bright on dark.
    const bool dark = isDarkColor(palette().color(QPalette::Base));
    SendScintilla(SCI_INDICSETSTYLE, kSpellingIndicator, INDIC_SQUIGGLE);
    SendScintilla(SCI_INDICSETFORE, kSpellingIndicator,
                  dark ? QColor(255, 90, 90) : QColor(208, 0, 0));
    SendScintilla(SCI_INDICSETUNDER, kSpellingIndicator, 0L);
}

void TMarginRichEdit::ClearSpellingMarks(long from, long to)
{
    const long length = SendScintilla(SCI_GETLENGTH);
    from = qBound(0L, from, length);
    to = qBound(from, to, length);
    SendScintilla(SCI_SETINDICATORCURRENT, kSpellingIndicator);
    SendScintilla(SCI_INDICATORCLEARRANGE, from, to - from);
}

void TMarginRichEdit::AddSpellingMark(long from, long to)
{
    const long length = SendScintilla(SCI_GETLENGTH);
    from = qBound(0L, from, length);
    to = qBound(from, to, length);
    if (to == from)
        return;
    SendScintilla(SCI_SETINDICATORCURRENT, kSpellingIndicator);
    SendScintilla(SCI_INDICATORFILLRANGE, from, to - from);
}

std::pair<long, long> TMarginRichEdit::SpellingMarkAt(long position) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (position < 0 || position >= self->SendScintilla(SCI_GETLENGTH) ||
        !self->SendScintilla(SCI_INDICATORVALUEAT, kSpellingIndicator, position))
        return {-1, -1};
    return {long(self->SendScintilla(SCI_INDICATORSTART, kSpellingIndicator, position)),
            long(self->SendScintilla(SCI_INDICATOREND, kSpellingIndicator, position))};
}

std::vector<std::pair<long, long>> TMarginRichEdit::SpellingMarksBetween(long from, long to) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    std::vector<std::pair<long, long>> marks;
    const long length = self->SendScintilla(SCI_GETLENGTH);
    from = qBound(0L, from, length);
    to = qBound(from, to, length);
    for (long at = from; at < to;) {
        const long end = self->SendScintilla(SCI_INDICATOREND, kSpellingIndicator, at);
        if (self->SendScintilla(SCI_INDICATORVALUEAT, kSpellingIndicator, at))
            marks.emplace_back(self->SendScintilla(SCI_INDICATORSTART, kSpellingIndicator, at),
                               end);
        if (end <= at)
            break;
        at = end;
    }
    return marks;
}

std::pair<long, long> TMarginRichEdit::VisibleBytes() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long first =
        self->SendScintilla(SCI_DOCLINEFROMVISIBLE, self->SendScintilla(SCI_GETFIRSTVISIBLELINE));
    const long shown = self->SendScintilla(SCI_LINESONSCREEN) + 1;
    const long last = self->SendScintilla(SCI_DOCLINEFROMVISIBLE,
                                          self->SendScintilla(SCI_GETFIRSTVISIBLELINE) + shown);
    // Of a line too long to draw, only its first kLongLineDisplayLimit bytes can be shown.
    const long lastStart = self->SendScintilla(SCI_POSITIONFROMLINE, last);
    return {long(self->SendScintilla(SCI_POSITIONFROMLINE, first)),
            qMin(long(self->SendScintilla(SCI_GETLINEENDPOSITION, last)),
                 lastStart + kLongLineDisplayLimit)};
}

std::pair<long, long> TMarginRichEdit::LineBytesAround(long position, long last) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long firstLine = self->SendScintilla(SCI_LINEFROMPOSITION, position);
    const long lastLine = self->SendScintilla(SCI_LINEFROMPOSITION, last);
    long from = self->SendScintilla(SCI_POSITIONFROMLINE, firstLine);
    long to = self->SendScintilla(SCI_GETLINEENDPOSITION, lastLine);
    // A minified page is one line of megabytes: a stretch of it either side of the change is
    // what a key can have touched. The stretch never starts inside a marked word, so clearing
    // its marks never leaves half a mark behind.
    if (position - from > kLineStretch) {
        from = position - kLineStretch;
        if (const long markStart = SpellingMarkAt(from).first; markStart >= 0)
            from = markStart;
    }
    to = qMin(to, qMax(position, last) + kLineStretch);
    return {from, to};
}

QByteArrayView TMarginRichEdit::BytesBetween(long from, long to) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long length = self->SendScintilla(SCI_GETLENGTH);
    from = qBound(0L, from, length);
    to = qBound(from, to, length);
    const auto* bytes =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, from, to - from));
    return QByteArrayView(bytes, to - from);
}

void TMarginRichEdit::ReplaceBytes(long from, long to, const QByteArray& utf8)
{
    if (isReadOnly())
        return;
    closeCompletionList();
    const long length = SendScintilla(SCI_GETLENGTH);
    from = qBound(0L, from, length);
    to = qBound(from, to, length);
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_SETTARGETRANGE, from, to);
    SendScintilla(SCI_REPLACETARGET, utf8.size(), utf8.constData());
    setSelectionBytes(from + utf8.size(), from + utf8.size());
    SendScintilla(SCI_ENDUNDOACTION);
}

void TMarginRichEdit::SetReportChanges(bool on)
{
    reportChangeUsers_ = qMax(0, reportChangeUsers_ + (on ? 1 : -1));
    if ((reportChangeUsers_ > 0) == reportChanges_)
        return;
    reportChanges_ = reportChangeUsers_ > 0;
    listenForModifications();
}

void TMarginRichEdit::SetReportEdits(bool on)
{
    if (on == reportEdits_)
        return;
    reportEdits_ = on;
    listenForModifications();
}

void TMarginRichEdit::listenForModifications()
{
    if ((reportChanges_ || reportEdits_) && !modifiedConnected_) {
        modifiedConnected_ = true;
        connect(
            this,
            static_cast<void (QsciScintillaBase::*)(int, int, const char*, int, int, int, int, int,
                                                    int, int)>(&QsciScintillaBase::SCN_MODIFIED),
            this,
            [this](int position, int type, const char* text, int length, int, int, int, int, int,
                   int) { onModified(position, type, text, length); });
    }
    applyModificationMask();
}

void TMarginRichEdit::onModified(int position, int type, const char* text, int length)
{
    const bool insert = type & SC_MOD_BEFOREINSERT;
    if (!insert && !(type & SC_MOD_BEFOREDELETE))
        return;
    if (reportEdits_)
        Q_EMIT bytesEditing(position, insert ? 0 : length, insert ? text : nullptr,
                            insert ? length : 0);
    if (reportChanges_)
        Q_EMIT bytesChanged(position, insert ? length : 0, insert ? 0 : length);
}
