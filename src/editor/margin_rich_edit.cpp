#include "editor/margin_rich_edit.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciprinter.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>

void TMarginPrinter::formatPage(QPainter&, bool, QRect& area, int)
{
    // Rich text controls place the text by the margin record against the printer's
    // unprintable border; do the same, in device pixels.
    const PrinterMetrics m = metricsOf(*this);
    if (m.logPixelsX <= 0 || m.logPixelsY <= 0)
        return;
    const QRect text = textRectTwips(margins_, m, pageRectTwips(m));
    const QRect pixels(QPoint(text.left() * m.logPixelsX / kTwipsPerInch, text.top() * m.logPixelsY / kTwipsPerInch),
                       QPoint(text.right() * m.logPixelsX / kTwipsPerInch,
                              text.bottom() * m.logPixelsY / kTwipsPerInch));
    area = area.intersected(pixels.translated(area.topLeft()));
}

namespace {

// QScintilla's accessibility object answers every caret move and every text-change notice by
// counting the characters from the start of the document, so a key typed at the end of a 10 MB
// page costs tens of milliseconds. While no assistive technology listens, the editor is
// described by a plain accessible instead and asks for no change notices; once one listens,
// QScintilla's own takes over with the notices it needs.
QAccessibleInterface* quietEditorAccessible(const QString& className, QObject* object)
{
    if (QAccessible::isActive() || className != QLatin1String("TMarginRichEdit"))
        return nullptr;
    auto* editor = qobject_cast<TMarginRichEdit*>(object);
    return editor ? new QAccessibleWidget(editor, QAccessible::EditableText) : nullptr;
}

class AccessibilitySwitch : public QAccessible::ActivationObserver
{
public:
    void accessibilityActiveChanged(bool active) override
    {
        const QWidgetList widgets = QApplication::allWidgets();
        for (QWidget* widget : widgets)
            if (auto* editor = qobject_cast<TMarginRichEdit*>(widget))
                editor->applyAccessibilityState(active, true);
    }
};

void installQuietAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(quietEditorAccessible);
    static AccessibilitySwitch observer;
    QAccessible::installActivationObserver(&observer);
}

} // namespace

void TMarginRichEdit::applyAccessibilityState(bool listening, bool replaceDescription)
{
    // Without listeners only the notices nothing here pays for are asked for.
    SendScintilla(SCI_SETMODEVENTMASK,
                  listening ? long(SC_MODEVENTMASKALL)
                            : long(SC_MOD_CHANGESTYLE | SC_MOD_CHANGEFOLD | SC_MOD_CHANGEMARKER));
    // The description cached for the other state goes; the next query makes the right one.
    if (replaceDescription)
        if (QAccessibleInterface* description = QAccessible::queryAccessibleInterface(this))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(description));
}

void TMarginRichEdit::ensureCharacterIndex() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    if (!(self->SendScintilla(SCI_GETLINECHARACTERINDEX) & SC_LINECHARACTERINDEX_UTF16))
        self->SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
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
    // The line character index is built when a position is first converted (see
    // ensureCharacterIndex), so opening a page does not pay for it.
    installQuietAccessibility();
    applyAccessibilityState(QAccessible::isActive());
    // Layout of very long lines is done in pieces, so a huge single-line page stays responsive.
    SendScintilla(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    setFocusPolicy(Qt::ClickFocus);
    unbindForeignEdits();
    SetDisplayFont(QFont(QStringLiteral("Arial"), 9));
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &TMarginRichEdit::onUpdateUi);
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this, &TMarginRichEdit::onCharAdded);
    connect(this,
            static_cast<void (QsciScintillaBase::*)(const char*, int, int, int)>(
                &QsciScintillaBase::SCN_AUTOCCOMPLETED),
            this, [this](const char*, int, int, int) { onCompletionAccepted(); });
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

TextRuns TMarginRichEdit::EditorTextRuns() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long length = self->SendScintilla(SCI_GETLENGTH);
    const long gap = std::clamp(long(self->SendScintilla(SCI_GETGAPPOSITION)), 0L, length);
    // A range that ends at the gap, or starts at it, is already contiguous.
    const auto* before = reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, 0L, gap));
    const auto* after =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, gap, length - gap));
    return TextRuns{QByteArrayView(before, gap), QByteArrayView(after, length - gap)};
}

QString TMarginRichEdit::EditorText() const
{
    qsizetype size = 0;
    const char* data = EditorUtf8Data(&size);
    return QString::fromUtf8(data, size);
}

void TMarginRichEdit::SetEditorUtf8(const QByteArray& utf8)
{
    closeCompletionList();
    const bool wasReadOnly = isReadOnly();
    setReadOnly(false);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    // A new text gets a new character index, built when a position is first needed.
    if (SendScintilla(SCI_GETLINECHARACTERINDEX) & SC_LINECHARACTERINDEX_UTF16)
        SendScintilla(SCI_RELEASELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(utf8.size() + 1));
    if (!utf8.isEmpty())
        SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(utf8.size()), utf8.constData());
    // Before anything asks where the caret is on screen, which lays out its line.
    hideLongLineTails();
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_GOTOPOS, 0L);
    setReadOnly(wasReadOnly);
    SetModifiedFlag(true);
    updateLineNumberWidth();
}

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
        long from =
            SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, endStyled));
        for (long line = SendScintilla(SCI_LINEFROMPOSITION, from); line <= lastLine; ++line) {
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

void TMarginRichEdit::SetEditorText(const QString& text)
{
    SetEditorUtf8(normalizeLineEnds(text).toUtf8());
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

void TMarginRichEdit::ReplaceSelection(const QString& text)
{
    if (isReadOnly())
        return;
    closeCompletionList();
    const QByteArray utf8 = text.toUtf8();
    SendScintilla(SCI_BEGINUNDOACTION);
    // REPLACESEL stops at a NUL; target replacement takes the length explicitly.
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    SendScintilla(SCI_SETTARGETRANGE, start, end);
    SendScintilla(SCI_REPLACETARGET, utf8.size(), utf8.constData());
    const long caret = start + utf8.size();
    setSelectionBytes(caret, caret);
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
    // Setting the same font again would restyle every style for nothing.
    if (fontApplied_ && font == displayFont_)
        return;
    fontApplied_ = true;
    displayFont_ = font;
    setFont(font);
    applyStyles();
}

void TMarginRichEdit::applyStyles()
{
    const QFont& font = displayFont_;
    SendScintilla(SCI_STYLESETFONT, STYLE_DEFAULT, font.family().toUtf8().constData());
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    SendScintilla(SCI_STYLESETSIZEFRACTIONAL, STYLE_DEFAULT,
                  long(points * double(int(SC_FONT_SIZE_MULTIPLIER))));
    if (!lexer_)
        SendScintilla(SCI_STYLECLEARALL);
    // Highlighting sets every style of its own, the font and size included.
    applyMarkupHelpStyles();
    setTailStyle(false);
    applyPlainColours();
}

void TMarginRichEdit::applyPlainColours()
{
    // Text and paper as one pair from the palette: Scintilla's own default is black on white
    // for the text only, which a dark desktop turns into black on near-black.
    const QPalette& p = palette();
    const QColor text = p.color(QPalette::Active, QPalette::Text);
    const QColor base = p.color(QPalette::Active, QPalette::Base);
    setColor(text);
    setPaper(base);
    // Plain text (style 0) and the cut-short tails follow the default.
    for (long style : {0L, kTailStyle}) {
        SendScintilla(SCI_STYLESETFORE, style, text);
        SendScintilla(SCI_STYLESETBACK, style, base);
    }
    setCaretForegroundColor(text);
    setSelectionBackgroundColor(p.color(QPalette::Active, QPalette::Highlight));
    setSelectionForegroundColor(p.color(QPalette::Active, QPalette::HighlightedText));
}

void TMarginRichEdit::changeEvent(QEvent* event)
{
    QsciScintilla::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyPlainColours();
}

void TMarginRichEdit::UndoLastEdit()
{
    closeCompletionList();
    undo();
}

void TMarginRichEdit::CutSelection()
{
    closeCompletionList();
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
    closeCompletionList();
    const long before = SendScintilla(SCI_GETLENGTH);
    paste();
    // A pasted minified page can bring an absurdly long line with it.
    if (SendScintilla(SCI_GETLENGTH) - before > kLongLineDisplayLimit)
        hideLongLineTails();
}

void TMarginRichEdit::SelectAllText()
{
    SendScintilla(SCI_SETSEL, 0L, SendScintilla(SCI_GETLENGTH));
}

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
    return CaseBlindSearch(text, [this, needle, base](QByteArrayView, qsizetype at, qsizetype limit) {
        const long start = base + long(at);
        if (searchBytes(start, base + long(limit), needle) != start)
            return qsizetype(-1);
        return qsizetype(const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETTARGETEND) - base);
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
    return int(matches.size());
}

int TMarginRichEdit::FindText(const QString& text, int from) const
{
    if (text.isEmpty())
        return -1;
    const long start = charToByte(from);
    const CaseBlindSearch::Match found = searchFor(text, start).next(bytesFrom(start), 0);
    return found.found() ? byteToChar(start + long(found.start)) : -1;
}

void TMarginRichEdit::PrintText(QsciPrinter& printer, const QString& title)
{
    printer.setDocName(title);
    printer.setWrapMode(QsciScintilla::WrapWord);
    // Paper shows every character, however long its line.
    setTailStyle(true);
    SendScintilla(SCI_SETPRINTCOLOURMODE, printColourMode());
    printer.printRange(this);
    setTailStyle(false);
    // Printing let the lexer style the tails too.
    if (lexer_ && longLinesCutShort_ > 0)
        hideLongLineTails();
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

void TMarginRichEdit::unbindForeignEdits()
{
    // Scintilla's own editing commands that a plain text box does not have: a stray key would
    // silently duplicate, delete, move or re-case lines. Caret, selection, clipboard, undo and
    // word deletion keys stay.
    static constexpr QsciCommand::Command kForeign[] = {
        QsciCommand::LineDelete,          QsciCommand::LineCut,
        QsciCommand::LineTranspose,       QsciCommand::LineDuplicate,
        QsciCommand::SelectionDuplicate,  QsciCommand::SelectionLowerCase,
        QsciCommand::SelectionUpperCase,  QsciCommand::MoveSelectedLinesUp,
        QsciCommand::MoveSelectedLinesDown, QsciCommand::DeleteLineLeft,
        QsciCommand::DeleteLineRight,     QsciCommand::DeleteWordRightEnd,
        QsciCommand::Backtab,             QsciCommand::Formfeed,
        QsciCommand::ReverseLines,
    };
    QsciCommandSet* commands = standardCommands();
    for (QsciCommand::Command id : kForeign)
        if (QsciCommand* command = commands->find(id)) {
            command->setKey(0);
            command->setAlternateKey(0);
        }
}

void TMarginRichEdit::keyPressEvent(QKeyEvent* event)
{
    // Alt or Ctrl with a key is a menu's or a command's, never text: Scintilla would type the
    // letter of any chord it has no command for. AltGr arrives without them on X11 and Wayland,
    // and as Ctrl+Alt on Windows, so composed characters still type.
    const Qt::KeyboardModifiers chord = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
#ifdef Q_OS_WIN
    const bool command = chord == Qt::AltModifier || chord == Qt::ControlModifier;
#else
    const bool command = chord != Qt::NoModifier;
#endif
    if (command && !event->text().isEmpty()) {
        QKeyEvent silent(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                         event->nativeVirtualKey(), event->nativeModifiers(), QString(),
                         event->isAutoRepeat(), ushort(event->count()));
        QsciScintilla::keyPressEvent(&silent);
        event->setAccepted(silent.isAccepted());
        return;
    }
    QsciScintilla::keyPressEvent(event);
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

QVariant TMarginRichEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query != Qt::ImSurroundingText && query != Qt::ImCursorPosition &&
        query != Qt::ImAnchorPosition)
        return QsciScintilla::inputMethodQuery(query);
    // QScintilla gives input methods the caret's whole paragraph, up to the next empty line:
    // in a page without empty lines that is the whole document, copied on every caret move.
    // The caret's line, cut to a stretch around the caret, is context enough.
    constexpr long kReach = 1000; // bytes on either side of the caret
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long caret = self->SendScintilla(SCI_GETCURRENTPOS);
    const long line = self->SendScintilla(SCI_LINEFROMPOSITION, caret);
    const long lineStart = self->SendScintilla(SCI_POSITIONFROMLINE, line);
    const long lineEnd = self->SendScintilla(SCI_GETLINEENDPOSITION, line);
    long from = qMax(lineStart, caret - kReach);
    long to = qMin(lineEnd, caret + kReach);
    // One byte more than the stretch, to see whether its end splits a character.
    const long length = self->SendScintilla(SCI_GETLENGTH);
    const long fetchEnd = qMin(length, to + 1);
    const auto* data = reinterpret_cast<const uchar*>(
        self->SendScintilla(SCI_GETRANGEPOINTER, from, fetchEnd - from));
    // Cut only between characters.
    long skip = 0;
    while (from + skip < caret && (data[skip] & 0xC0) == 0x80)
        ++skip;
    while (to > caret && to < length && (data[to - from] & 0xC0) == 0x80)
        --to;
    const char* text = reinterpret_cast<const char*>(data + skip);
    from += skip;
    auto offset = [&](long position) {
        position = qBound(from, position, to);
        return int(QString::fromUtf8(text, position - from).size());
    };
    switch (query) {
    case Qt::ImSurroundingText:
        return QString::fromUtf8(text, to - from);
    case Qt::ImCursorPosition:
        return offset(caret);
    default:
        return offset(self->SendScintilla(SCI_GETANCHOR));
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
