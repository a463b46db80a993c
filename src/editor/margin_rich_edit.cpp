#include "editor/margin_rich_edit.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciprinter.h>

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

void TMarginPrinter::formatPage(QPainter&, bool, QRect& area, int)
{
    // Rich text controls place the text by the margin record against the printer's
    // unprintable border; do the same, in device pixels.
    const PrinterMetrics m = metricsOf(*this);
    if (m.logPixelsX <= 0 || m.logPixelsY <= 0)
        return;
    const QRect text = textRectTwips(margins_, m, pageRectTwips(m));
    const QRect pixels(QPoint(text.left() * m.logPixelsX / 1440, text.top() * m.logPixelsY / 1440),
                       QPoint(text.right() * m.logPixelsX / 1440,
                              text.bottom() * m.logPixelsY / 1440));
    area = area.intersected(pixels.translated(area.topLeft()));
}

TMarginRichEdit::TMarginRichEdit(QWidget* parent) : QsciScintilla(parent)
{
    setObjectName(QStringLiteral("RichEdit1"));
    setUtf8(true);
    setEolMode(QsciScintilla::EolUnix);
    setEolVisibility(false);
    setWrapMode(QsciScintilla::WrapNone);
    setMarginWidth(0, 0);
    setMarginWidth(1, 0);
    setMarginWidth(2, 0);
    setTabIndents(false);
    setAutoIndent(false);
    setIndentationsUseTabs(true);
    setCaretLineVisible(false);
    setBraceMatching(QsciScintilla::NoBraceMatch);
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
    // Only CR and LF end lines; U+2028 and friends stay ordinary characters.
    SendScintilla(SCI_SETLINEENDTYPESALLOWED, SC_LINE_END_TYPE_DEFAULT);
    SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    // Layout of very long lines is done in pieces, so a huge single-line page stays responsive.
    SendScintilla(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    setFocusPolicy(Qt::ClickFocus);
    SetDisplayFont(QFont(QStringLiteral("Arial"), 9));
}

long TMarginRichEdit::charToByte(int position) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (position <= 0)
        return 0;
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
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, position);
    const long lineStart = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long lineIndex =
        self->SendScintilla(SCI_INDEXPOSITIONFROMLINE, line, SC_LINECHARACTERINDEX_UTF16);
    return int(lineIndex + self->SendScintilla(SCI_COUNTCODEUNITS, lineStart, position));
}

QByteArray TMarginRichEdit::EditorUtf8() const
{
    qsizetype size = 0;
    const char* data = EditorUtf8Data(&size);
    return QByteArray(data, size);
}

const char* TMarginRichEdit::EditorUtf8Data(qsizetype* size) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    *size = self->SendScintilla(SCI_GETLENGTH);
    return reinterpret_cast<const char*>(self->SendScintilla(SCI_GETCHARACTERPOINTER));
}

QString TMarginRichEdit::EditorText() const
{
    qsizetype size = 0;
    const char* data = EditorUtf8Data(&size);
    return QString::fromUtf8(data, size);
}

void TMarginRichEdit::SetEditorUtf8(const QByteArray& utf8)
{
    const bool wasReadOnly = isReadOnly();
    setReadOnly(false);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(utf8.size() + 1));
    if (!utf8.isEmpty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), utf8.constData());
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_GOTOPOS, 0L);
    setReadOnly(wasReadOnly);
    SetModifiedFlag(true);
}

void TMarginRichEdit::SetEditorText(const QString& text)
{
    QString lf = text;
    if (lf.contains(QLatin1Char('\r'))) {
        lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lf.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    SetEditorUtf8(lf.toUtf8());
}

void TMarginRichEdit::ClearText()
{
    SetEditorUtf8(QByteArray());
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

void TMarginRichEdit::ReplaceSelection(const QString& text)
{
    if (isReadOnly())
        return;
    const QByteArray utf8 = text.toUtf8();
    SendScintilla(SCI_BEGINUNDOACTION);
    // REPLACESEL stops at a NUL; target replacement takes the length explicitly.
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    SendScintilla(SCI_SETTARGETRANGE, start, end);
    SendScintilla(SCI_REPLACETARGET, utf8.size(), utf8.constData());
    const long caret = start + utf8.size();
    SendScintilla(SCI_SETSEL, caret, caret);
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_SCROLLCARET);
}

void TMarginRichEdit::AppendAfterSelection(const QString& text)
{
    if (isReadOnly())
        return;
    // The selected text stays where it is: inserting behind it is the same edit, without
    // copying the selection through a string.
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    SendScintilla(SCI_SETSEL, end, end);
    ReplaceSelection(text);
}

void TMarginRichEdit::WrapSelection(const QString& open, const QString& close)
{
    if (isReadOnly())
        return;
    SendScintilla(SCI_BEGINUNDOACTION);
    if (SelectionLength() >= 1) {
        ReplaceSelection(open + SelectedText() + close);
    } else {
        ReplaceSelection(open + close);
        const long caret = SendScintilla(SCI_GETCURRENTPOS) - long(close.toUtf8().size());
        SendScintilla(SCI_SETSEL, caret, caret);
    }
    SendScintilla(SCI_ENDUNDOACTION);
}

void TMarginRichEdit::FocusEditor()
{
    setFocus(Qt::OtherFocusReason);
}

bool TMarginRichEdit::ModifiedFlag() const
{
    return forcedModified_ || const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETMODIFY);
}

void TMarginRichEdit::SetModifiedFlag(bool modified)
{
    forcedModified_ = modified;
    if (!modified)
        SendScintilla(SCI_SETSAVEPOINT);
}

bool TMarginRichEdit::WordWrap() const
{
    return wrapMode() != QsciScintilla::WrapNone;
}

void TMarginRichEdit::SetWordWrap(bool on)
{
    setWrapMode(on ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
}

void TMarginRichEdit::SetDisplayFont(const QFont& font)
{
    displayFont_ = font;
    setFont(font);
    SendScintilla(SCI_STYLESETFONT, STYLE_DEFAULT, font.family().toUtf8().constData());
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    SendScintilla(SCI_STYLESETSIZEFRACTIONAL, STYLE_DEFAULT,
                  long(points * double(int(SC_FONT_SIZE_MULTIPLIER))));
    SendScintilla(SCI_STYLECLEARALL);
}

void TMarginRichEdit::UndoLastEdit()
{
    undo();
}

void TMarginRichEdit::CutSelection()
{
    if (SendScintilla(SCI_GETSELECTIONEMPTY))
        return;
    cut();
}

void TMarginRichEdit::CopySelection()
{
    if (SendScintilla(SCI_GETSELECTIONEMPTY))
        return;
    copy();
}

void TMarginRichEdit::PasteClipboard()
{
    paste();
}

void TMarginRichEdit::SelectAllText()
{
    SendScintilla(SCI_SETSEL, 0L, SendScintilla(SCI_GETLENGTH));
}

int TMarginRichEdit::FindText(const QString& text, int from) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (text.isEmpty())
        return -1;
    const QByteArray needle = text.toUtf8();
    self->SendScintilla(SCI_SETSEARCHFLAGS, 0L); // no case, no whole words
    self->SendScintilla(SCI_SETTARGETRANGE, charToByte(from), self->SendScintilla(SCI_GETLENGTH));
    const long found = self->SendScintilla(SCI_SEARCHINTARGET, needle.size(), needle.constData());
    return found < 0 ? -1 : byteToChar(found);
}

void TMarginRichEdit::PrintText(QsciPrinter& printer, const QString& title)
{
    printer.setDocName(title);
    printer.setWrapMode(QsciScintilla::WrapWord);
    printer.printRange(this);
}

void TMarginRichEdit::releaseKey(int key)
{
    QsciCommandSet* commands = standardCommands();
    while (QsciCommand* command = commands->boundTo(key)) {
        if (command->key() == key)
            command->setKey(0);
        if (command->alternateKey() == key)
            command->setAlternateKey(0);
    }
}

void TMarginRichEdit::contextMenuEvent(QContextMenuEvent* event)
{
    if (!contextMenu_) {
        event->ignore();
        return;
    }
    Q_EMIT contextMenuAboutToShow();
    contextMenu_->popup(event->globalPos());
    event->accept();
}
