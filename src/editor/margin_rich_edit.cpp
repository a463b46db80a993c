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
#include <QMimeData>
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
    const QRect pixels(QPoint(text.left() * m.logPixelsX / kTwipsPerInch,
                              text.top() * m.logPixelsY / kTwipsPerInch),
                       QPoint(text.right() * m.logPixelsX / kTwipsPerInch,
                              text.bottom() * m.logPixelsY / kTwipsPerInch));
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
    // Restyling tells where the text changed too; folding takes it as a second opinion.
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int, int, int, int, int, int, int) {
                if (type & SC_MOD_CHANGESTYLE)
                    noteRestyled(position);
            });
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
    const auto* before =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, 0L, gap));
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
    // And the shown part of a long line styled now: a line laid out before its styles are
    // final is laid out whole again at the first paint.
    styleAroundLongLines();
    resetFolds();
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_GOTOPOS, 0L);
    setReadOnly(wasReadOnly);
    SetModifiedFlag(true);
    updateLineNumberWidth();
    Q_EMIT textReplaced();
}

void TMarginRichEdit::SetEditorText(const QString& text)
{
    SetEditorUtf8(normalizeLineEnds(text).toUtf8());
}

void TMarginRichEdit::ClearText()
{
    SetEditorUtf8(QByteArray());
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
    noteEdit();
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
    if (event->type() == QEvent::PaletteChange) {
        applyPlainColours();
        applyMatchStyle();
    }
}

void TMarginRichEdit::UndoLastEdit()
{
    closeCompletionList();
    undo();
    noteEdit();
}

void TMarginRichEdit::CutSelection()
{
    closeCompletionList();
    if (SendScintilla(SCI_GETSELECTIONEMPTY))
        return;
    cut();
    noteEdit();
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
    noteEdit();
    // A pasted minified page can bring an absurdly long line with it.
    if (SendScintilla(SCI_GETLENGTH) - before > kLongLineDisplayLimit)
        hideLongLineTails();
}

void TMarginRichEdit::SelectAllText()
{
    SendScintilla(SCI_SETSEL, 0L, SendScintilla(SCI_GETLENGTH));
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

void TMarginRichEdit::unbindForeignEdits()
{
    // Scintilla's own editing commands that a plain text box does not have: a stray key would
    // silently duplicate, delete, move or re-case lines. Caret, selection, clipboard, undo and
    // word deletion keys stay.
    static constexpr QsciCommand::Command kForeign[] = {
        QsciCommand::LineDelete,
        QsciCommand::LineCut,
        QsciCommand::LineTranspose,
        QsciCommand::LineDuplicate,
        QsciCommand::SelectionDuplicate,
        QsciCommand::SelectionLowerCase,
        QsciCommand::SelectionUpperCase,
        QsciCommand::MoveSelectedLinesUp,
        QsciCommand::MoveSelectedLinesDown,
        QsciCommand::DeleteLineLeft,
        QsciCommand::DeleteLineRight,
        QsciCommand::DeleteWordRightEnd,
        QsciCommand::Backtab,
        QsciCommand::Formfeed,
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
    const Qt::KeyboardModifiers chord =
        event->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
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
        noteEdit(); // undo, cut, paste
        return;
    }
    if (completionKey(event))
        return;
    QsciScintilla::keyPressEvent(event);
    noteEdit();
}

void TMarginRichEdit::inputMethodEvent(QInputMethodEvent* event)
{
    QsciScintilla::inputMethodEvent(event);
    noteEdit();
}

namespace {
// Files dragged in from a file panel: urls and no text of their own.
bool carriesOnlyFiles(const QMimeData* data)
{
    // hasText() would count the urls as text too.
    return data && data->hasUrls() && !data->hasFormat(QStringLiteral("text/plain"));
}
} // namespace

void TMarginRichEdit::dragEnterEvent(QDragEnterEvent* event)
{
    // Copied, never moved: the files stay where they are.
    if (carriesOnlyFiles(event->mimeData()) && !isReadOnly()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    QsciScintilla::dragEnterEvent(event);
}

void TMarginRichEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (carriesOnlyFiles(event->mimeData()) && !isReadOnly()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    QsciScintilla::dragMoveEvent(event);
}

void TMarginRichEdit::dropEvent(QDropEvent* event)
{
    if (carriesOnlyFiles(event->mimeData()) && !isReadOnly()) {
        const QPoint at = event->position().toPoint();
        const long byte = SendScintilla(SCI_POSITIONFROMPOINT, long(at.x()), long(at.y()));
        SelectBytes(byte, byte);
        event->setDropAction(Qt::CopyAction);
        event->accept();
        Q_EMIT filesDropped(event->mimeData()->urls());
        return;
    }
    QsciScintilla::dropEvent(event);
    noteEdit();
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
    contextMenuByte_ = CaretByte();
    if (event->reason() == QContextMenuEvent::Mouse) {
        const long under = SendScintilla(SCI_POSITIONFROMPOINTCLOSE, long(event->pos().x()),
                                         long(event->pos().y()));
        if (under >= 0)
            contextMenuByte_ = under;
    }
    Q_EMIT contextMenuAboutToShow();
    contextMenu_->popup(event->globalPos());
    event->accept();
}
