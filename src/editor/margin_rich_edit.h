#pragma once

#include "core/document_codec.h"
#include "editor/element_nesting.h"
#include "editor/margin.h"
#include "editor/tag_matching.h"
#include "editor/text_search.h"

#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>

#include <QHash>
#include <QList>
#include <QUrl>

#include <climits>
#include <utility>
#include <vector>

class QMenu;
class QsciLexerHTML;

// A printer that fits each page's text into the rectangle the editor's margins leave.
class TMarginPrinter : public QsciPrinter
{
public:
    explicit TMarginPrinter(TMargin& margins) : margins_(margins) {}
    void formatPage(QPainter& painter, bool drawing, QRect& area, int pagenr) override;

private:
    TMargin& margins_;
};

// The editor pane: QScintilla in UTF-8 mode with LF line ends. The operations below speak in
// characters (QString indexes) and convert through Scintilla's line character index, so a
// position costs a lookup, not a scan of the document.
class TMarginRichEdit : public QsciScintilla
{
    Q_OBJECT
public:
    explicit TMarginRichEdit(QWidget* parent = nullptr);

    // Whole text.
    QString EditorText() const;
    void SetEditorText(const QString& text); // replaces everything; line ends become LF
    QByteArray EditorUtf8() const;           // explicit length: NUL bytes survive
    // Direct view of the document's bytes, valid until the next change.
    const char* EditorUtf8Data(qsizetype* size) const;
    // The same bytes as they lie either side of Scintilla's insertion gap: reading them moves
    // nothing, so the next edit where the user was typing stays cheap (used by saving).
    TextRuns EditorTextRuns() const;
    void SetEditorUtf8(const QByteArray& utf8); // LF line ends expected; clears undo history

    // Lines longer than this many bytes are drawn only up to it: laying out a multi-megabyte
    // line costs seconds on every keystroke. The text itself is untouched.
    static constexpr long kLongLineDisplayLimit = 100000;
    // How many lines of the current text are cut short on screen.
    int LongLinesCutShort() const { return longLinesCutShort_; }
    void ClearText();
    int TextLength() const; // in characters

    // Selection, in characters.
    int SelectionStart() const;
    void SetSelectionStart(int position); // empties the selection, caret at position
    int SelectionLength() const;
    void SetSelectionLength(int count); // from SelectionStart, cut off at the end of the text
    QString SelectedText() const;
    // Where the selection's first line is drawn, in global coordinates.
    QRect SelectionScreenRect() const;

    // Edits. Each is one undo step.
    void ReplaceSelection(const QString& text);
    void AppendAfterSelection(const QString& text);
    void WrapSelection(const QString& open, const QString& close);

    void FocusEditor();
    bool ModifiedFlag() const;
    void SetModifiedFlag(bool modified);
    bool WordWrap() const;
    void SetWordWrap(bool on);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }
    void SetDisplayFont(const QFont& font);
    QFont DisplayFont() const { return displayFont_; }

    void UndoLastEdit();
    void CutSelection();
    void CopySelection();
    void PasteClipboard();
    void SelectAllText();

    // Forward search from `from`, letter case ignored; the match's position or -1.
    int FindText(const QString& text, int from) const;
    // Replaces every occurrence (letter case ignored) as one undo step; the caret ends after the
    // last replacement. Returns how many were replaced.
    int ReplaceAllText(const QString& text, const QString& replacement);
    // Replaces byte ranges of the text (sorted, not overlapping) with UTF-8 text as one undo
    // step; the caret ends after the last one. Ranges past the end are left alone.
    struct ByteReplacement
    {
        long from = 0;
        long to = 0;
        QByteArray utf8;
    };
    void ReplaceByteRanges(const QList<ByteReplacement>& replacements);

    // Prints the whole text on the printer; the title names the print job.
    void PrintText(QsciPrinter& printer, const QString& title);
    TMargin& Margins() { return margins_; }

    // The menu shown on a right click instead of Scintilla's own.
    void setContextMenu(QMenu* menu) { contextMenu_ = menu; }

    // Position conversions.
    long charToByte(int position) const;
    int byteToChar(long position) const;

    // ---- byte positions, for code that keeps places in the document's bytes ----
    long ByteLength() const;
    long CaretByte() const;
    // Line and column (both from 1, the column in characters) of a byte position.
    std::pair<int, int> LineColumnAtByte(long position) const;
    // Where line `line` (from 0) ends, before its line end.
    long LineEndByte(int line) const;
    // Selects the bytes from `from` to `to` (kept within the text) and scrolls them into view.
    void SelectBytes(long from, long to);

    // ---- places that follow edits ----
    // A set of hidden one-byte marks, each carrying a number, that move with the text as it is
    // edited; a mark whose byte is deleted is gone. Returns the set's id.
    int NewPlaceSet();
    void AddPlace(int set, long position, int number);
    void ClearPlaces(int set);
    // Where each number's mark stands now.
    QHash<int, long> Places(int set) const;

    // ---- help with the markup: highlighting, margins, tag completion, matching tags ----
    // HTML highlighting, with folding of elements in a narrow margin while it is on.
    void SetHighlighting(bool on);
    bool Highlighting() const { return lexer_ != nullptr; }
    // Line numbers in a left margin as wide as the page's line count needs.
    void SetLineNumbers(bool on);
    bool LineNumbers() const { return lineNumbers_; }
    // A list of element names after a typed "<" or "</", in the case of the page's nearest tags
    // and with HTML5's names on an HTML5 page. Enter or Tab inserts from it only once a letter
    // was typed or the list was moved in; before that they close it and do what they always do.
    // A ">" typed right after one the completion added goes over it.
    void SetTagCompletion(bool on) { tagCompletion_ = on; }
    bool TagCompletion() const { return tagCompletion_; }
    // The caret's line and column, both counted from 1; the column in characters (UTF-16
    // units, as the editor's positions count).
    int CaretLine() const;
    int CaretColumn() const;
    // The caret blinks, except in a line too long to draw in full: redrawing that line twice a
    // second would keep a core busy, so there it stays on, steady.
    bool CaretBlinks() const;
    int LineCount() const;
    // Puts the caret at the start of the line (from 1, kept within the page) and shows it.
    void GoToLine(int line);
    // The tag name at the caret and its partner, as byte positions of the document, the
    // partner looked for up to `reach` bytes away. Marking on every caret move looks this far,
    // so typing stays cheap; Go to Matching Tag searches the whole page.
    static constexpr long kTagMarkReach = 64 * 1024;
    TagMatch TagMatchAtCaret(long reach) const;
    // Moves the caret to the partner's name, or to where an element without its end tag ends;
    // false when the caret is in no tag with a partner.
    bool GoToMatchingTag();

    // ---- spelling marks: a red wavy underline that changes no byte of the text ----
    void ClearSpellingMarks(long from, long to);
    void AddSpellingMark(long from, long to);
    // The mark covering byte `position`, as {start, end}; {-1, -1} when none does.
    std::pair<long, long> SpellingMarkAt(long position) const;
    // Every mark reaching into from..to, whole, in order.
    std::vector<std::pair<long, long>> SpellingMarksBetween(long from, long to) const;
    // Whole lines from the first shown to the last shown, in bytes (of a last line too long
    // to draw, the part that can be drawn).
    std::pair<long, long> VisibleBytes() const;
    // The start of the line holding `position` and the end of the line holding `last`, but in a
    // long line no further than kLineStretch bytes either side of them (the start moved back to
    // the start of a marked word it would cut).
    static constexpr long kLineStretch = 4096;
    std::pair<long, long> LineBytesAround(long position, long last) const;
    // The bytes from..to in one piece, valid until the next change; only a range that spans the
    // insertion gap moves it.
    QByteArrayView BytesBetween(long from, long to) const;
    // Replaces the bytes from..to as one undo step; the caret ends after the new text.
    void ReplaceBytes(long from, long to, const QByteArray& utf8);
    // Where the last context menu was asked for: the byte under the mouse, else the caret.
    long ContextMenuByte() const { return contextMenuByte_; }
    // Sends bytesChanged for every insertion and deletion while anyone asks for it: each
    // SetReportChanges(true) is undone by one SetReportChanges(false).
    void SetReportChanges(bool on);
    // Sends bytesEditing, with the inserted bytes, for every insertion and deletion while on.
    void SetReportEdits(bool on);

    // Removes Scintilla's own binding of a key, so the window's short-cut gets it.
    void releaseKey(int key);

    // Whether an assistive technology listens: QScintilla's accessibility and the change
    // notices it needs cost time in proportion to the caret's position, so they are on only
    // then. `replaceDescription` drops the accessible made for the other state.
    void applyAccessibilityState(bool listening, bool replaceDescription = false);

Q_SIGNALS:
    void contextMenuAboutToShow();
    // The caret went elsewhere (by typing, a click, a command or a new text).
    void caretMoved();
    // The text changed; sent once per screen update, not per change.
    void textEdited();
    // Bytes were inserted (or deleted) at `position`; sent only while SetReportChanges is on.
    void bytesChanged(long position, long inserted, long deleted);
    // The bytes from `position` on are about to be replaced: `deleted` bytes go, the
    // `insertedLength` bytes at `inserted` come (null when Scintilla does not tell them). Sent
    // only while SetReportEdits is on, before the text changes.
    void bytesEditing(long position, long deleted, const char* inserted, long insertedLength);
    // The whole text was replaced (a page opened or made).
    void textReplaced();
    // Other lines came into view.
    void viewScrolled();
    // Files (not text) were dropped; the caret stands where they were dropped. Whoever knows
    // what the files are decides what goes in.
    void filesDropped(const QList<QUrl>& urls);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Describes editors plainly to accessibility until an assistive technology listens.
    static void installQuietAccessibility();
    void unbindForeignEdits();
    // The plain text's colours: the palette's text on its base, for every style that shows text.
    void applyPlainColours();
    // The style of the part of an absurdly long line that is not drawn; one the HTML lexer
    // never gives, so highlighting cannot take it for its own.
    static constexpr long kTailStyle = 200;

    void setSelectionBytes(long anchor, long caret);
    void hideLongLineTails();
    void setTailStyle(bool visible);
    // With highlighting on: styles what is about to be shown without letting the lexer run
    // through the hidden tails of long lines, and puts back tails something else restyled.
    void styleAroundLongLines();
    bool tailIntact(long line) const;
    void applyStyles();
    void applyMarkupHelpStyles(bool lexerStyles = true);
    // The partner-tag mark, in a colour that stands out from the paper.
    void applyMatchStyle();
    long printColourMode() const;
    void updateLineNumberWidth();
    void onUpdateUi(int updated);
    // Steady caret in a long line, blinking elsewhere.
    void updateCaretBlink();
    void onCharAdded(int ch);
    void onCompletionAccepted();
    // Keys the completion handles before Scintilla sees them; true when the key is used up.
    bool completionKey(QKeyEvent* event);
    // A command that edits or moves the caret closes an open list first: Enter would otherwise
    // replace what the command wrote.
    void closeCompletionList();
    void markMatchingTag();

    // Folding (margin_rich_edit_folding.cpp).
    struct FoldCheckpoint
    {
        long position = 0; // where the reader stood, between tags
        int line = 0;
        int lineLeast = 0; // the least depth of its line so far
        std::vector<OpenElement> open;
    };
    void resetFolds();
    // Something may have changed the text: fold levels from the change on are recomputed.
    void noteEdit();
    void noteRestyled(long position);
    // Fold levels settled up to `lastLine` (from 0).
    void computeFolds(int lastLine);
    void computeVisibleFolds();
    void ensureCharacterIndex() const;
    // Scintilla's case-blind search between two byte positions; the match's byte position or -1.
    long searchBytes(long from, long to, const QByteArray& needle) const;
    // A search over the bytes from byte `base` on, whose doubtful cases Scintilla settles.
    CaseBlindSearch searchFor(const QString& text, long base) const;
    // The document's bytes from `start` to the end, in one piece.
    QByteArrayView bytesFrom(long start) const;

    TMargin margins_;
    QMenu* contextMenu_ = nullptr;
    int longLinesCutShort_ = 0;
    QFont displayFont_;
    bool fontApplied_ = false; // displayFont_ has been given to every style
    bool forcedModified_ = false;
    QsciLexerHTML* lexer_ = nullptr;
    bool lineNumbers_ = false;
    int lineNumberDigits_ = 0;
    bool tagCompletion_ = false;
    bool closingCompletion_ = false;     // the list shown was for an end tag
    long markedTag_[4] = {-1, 0, -1, 0}; // name and partner marked, start and length in bytes
    long lastCaret_ = -1;
    long caretPeriod_ = -1; // the blink period Scintilla was given; -1 until first read
    bool caretSteady_ = false;
    bool completionMoved_ = false; // the user moved in the list shown
    long addedGreaterThan_ = -1;   // a ">" the completion put before the caret
    std::vector<FoldCheckpoint> foldCheckpoints_{FoldCheckpoint{}};
    int foldValidLines_ = 0;        // lines with their final fold levels
    long foldDirtyFrom_ = LONG_MAX; // the first byte that may have changed since
    long contextMenuByte_ = -1;
    bool reportChanges_ = false;
    int reportChangeUsers_ = 0;
    bool reportEdits_ = false;
    bool accessibilityListening_ = false;
    bool modifiedConnected_ = false;
    void applySpellingStyle();
    void applyModificationMask();
    void listenForModifications();
    void onModified(int position, int type, const char* text, int length);
};
