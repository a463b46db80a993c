// The editor's help with the markup: highlighting and folding, line numbers, tag completion
// and matching tags. None of it changes the text unless the user accepts a completion.
#include "editor/margin_rich_edit.h"

#include "editor/html_highlighting.h"
#include "editor/tag_completion.h"

#include <Qsci/qscilexerhtml.h>

#include <QKeyEvent>

#include <algorithm>

namespace {

constexpr long kLineNumberMargin = 0;
constexpr int kFoldMargin = 2;
constexpr long kMatchIndicator = 8; // the first indicator left to containers

} // namespace

void TMarginRichEdit::applyMarkupHelpStyles(bool lexerStyles)
{
    const HighlightScheme scheme =
        highlightSchemeFor(palette().color(QPalette::Base), palette().color(QPalette::Text));
    if (lexer_) {
        if (lexerStyles)
            applyHighlightScheme(*lexer_, scheme, displayFont_);
        SendScintilla(SCI_STYLESETBACK, STYLE_DEFAULT, scheme.paper);
        SendScintilla(SCI_STYLESETFORE, STYLE_DEFAULT, scheme.text);
        setCaretForegroundColor(scheme.text);
        // The hidden tails of long lines still print, in the user's font.
        SendScintilla(SCI_STYLESETFONT, kTailStyle, displayFont_.family().toUtf8().constData());
        SendScintilla(SCI_STYLESETSIZEFRACTIONAL, kTailStyle,
                      SendScintilla(SCI_STYLEGETSIZEFRACTIONAL, STYLE_DEFAULT));
        SendScintilla(SCI_STYLESETFORE, kTailStyle, scheme.text);
        SendScintilla(SCI_STYLESETBACK, kTailStyle, scheme.paper);
    }
    setMarginsFont(displayFont_);
    setMarginsBackgroundColor(scheme.margin);
    setMarginsForegroundColor(scheme.marginText);
    setFoldMarginColors(scheme.margin, scheme.margin);
    setMarkerForegroundColor(scheme.margin);
    setMarkerBackgroundColor(scheme.marginText);
    applyMatchStyle();
    applySpellingStyle();
    lineNumberDigits_ = 0; // the digits' width follows the font
    updateLineNumberWidth();
}

void TMarginRichEdit::applyMatchStyle()
{
    // An opaque outline in a colour that stands out from the paper, light or dark, over a faint
    // fill; drawn over the text, so no style's paper can cover it.
    SendScintilla(SCI_INDICSETSTYLE, kMatchIndicator, INDIC_STRAIGHTBOX);
    SendScintilla(
        SCI_INDICSETFORE, kMatchIndicator,
        highlightSchemeFor(palette().color(QPalette::Base), palette().color(QPalette::Text)).match);
    SendScintilla(SCI_INDICSETALPHA, kMatchIndicator, 50L);
    SendScintilla(SCI_INDICSETOUTLINEALPHA, kMatchIndicator, 255L);
    SendScintilla(SCI_INDICSETUNDER, kMatchIndicator, 0L);
}

long TMarginRichEdit::printColourMode() const
{
    // Paper is white: highlighting prints in its colours when they were chosen for a light
    // desktop, and in black when they were chosen for a dark one.
    if (!lexer_)
        return SC_PRINT_NORMAL;
    return isDarkColor(palette().color(QPalette::Base)) ? SC_PRINT_BLACKONWHITE
                                                        : SC_PRINT_COLOURONWHITE;
}

void TMarginRichEdit::SetHighlighting(bool on)
{
    if (on == Highlighting())
        return;
    if (on) {
        lexer_ = new QsciLexerHTML(this);
        applyHighlightScheme(
            *lexer_,
            highlightSchemeFor(palette().color(QPalette::Base), palette().color(QPalette::Text)),
            displayFont_);
        // Styles the whole page once; on a fresh editor that costs nothing.
        setLexer(lexer_);
        setFolding(QsciScintilla::BoxedTreeFoldStyle, kFoldMargin);
        // Fold levels come from the page's elements (computeFolds), not from the lexer's
        // nesting of tags, which knows nothing of end tags HTML lets a page leave out.
        SendScintilla(SCI_SETPROPERTY, "fold", "0");
        SendScintilla(SCI_SETPROPERTY, "fold.html", "0");
        resetFolds();
        // setLexer gave every style its scheme colour and font already.
        applyMarkupHelpStyles(false);
        setTailStyle(false);
    } else {
        clearFolds(); // nothing stays hidden once the fold margin is gone
        setFolding(QsciScintilla::NoFoldStyle, kFoldMargin);
        setLexer(nullptr);
        delete lexer_;
        lexer_ = nullptr;
        SendScintilla(SCI_CLEARDOCUMENTSTYLE);
        applyStyles();
    }
    if (longLinesCutShort_ > 0)
        hideLongLineTails();
}

void TMarginRichEdit::SetLineNumbers(bool on)
{
    lineNumbers_ = on;
    setMarginLineNumbers(int(kLineNumberMargin), on);
    lineNumberDigits_ = 0;
    updateLineNumberWidth();
}

void TMarginRichEdit::updateLineNumberWidth()
{
    if (!lineNumbers_) {
        SendScintilla(SCI_SETMARGINWIDTHN, kLineNumberMargin, 0L);
        return;
    }
    const int digits = qMax(2, int(QString::number(LineCount()).size()));
    if (digits == lineNumberDigits_)
        return;
    lineNumberDigits_ = digits;
    const QByteArray nines(digits, '9');
    const long width = SendScintilla(SCI_TEXTWIDTH, STYLE_LINENUMBER, nines.constData());
    SendScintilla(SCI_SETMARGINWIDTHN, kLineNumberMargin, width + 8);
}

int TMarginRichEdit::LineCount() const
{
    return int(const_cast<TMarginRichEdit*>(this)->SendScintilla(SCI_GETLINECOUNT));
}

int TMarginRichEdit::CaretLine() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    return int(self->SendScintilla(SCI_LINEFROMPOSITION, self->SendScintilla(SCI_GETCURRENTPOS))) +
           1;
}

int TMarginRichEdit::CaretColumn() const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long caret = self->SendScintilla(SCI_GETCURRENTPOS);
    const long lineStart =
        self->SendScintilla(SCI_POSITIONFROMLINE, self->SendScintilla(SCI_LINEFROMPOSITION, caret));
    // Scintilla steps character by character; in the middle of a minified page's one line that
    // is millions of steps on every key. Valid UTF-8 is counted a byte at a time instead: every
    // byte but a continuation byte starts a character, a four-byte one is two units. The bytes
    // are read either side of Scintilla's gap, so reading them moves nothing.
    const auto count = [self](long from, long to) -> long {
        if (from >= to)
            return 0;
        const auto* bytes = reinterpret_cast<const char*>(
            self->SendScintilla(SCI_GETRANGEPOINTER, from, to - from));
        const QByteArrayView range(bytes, to - from);
        if (!QUtf8StringView(range.data(), range.size()).isValidUtf8())
            return -1;
        long units = 0;
        for (const char c : range) {
            const auto b = static_cast<unsigned char>(c);
            units += long((b & 0xC0) != 0x80) + long(b >= 0xF0);
        }
        return units;
    };
    const long gap = std::clamp(long(self->SendScintilla(SCI_GETGAPPOSITION)), lineStart, caret);
    const long before = count(lineStart, gap);
    const long after = count(gap, caret);
    const long units = before >= 0 && after >= 0
                           ? before + after
                           : long(self->SendScintilla(SCI_COUNTCODEUNITS, lineStart, caret));
    return int(units) + 1;
}

bool TMarginRichEdit::CaretBlinks() const
{
    return !caretSteady_;
}

void TMarginRichEdit::updateCaretBlink()
{
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, caret);
    const bool steady =
        SendScintilla(SCI_GETLINEENDPOSITION, line) - SendScintilla(SCI_POSITIONFROMLINE, line) >
        kLongLineDisplayLimit;
    if (steady == caretSteady_)
        return;
    if (caretPeriod_ < 0)
        caretPeriod_ = SendScintilla(SCI_GETCARETPERIOD);
    caretSteady_ = steady;
    SendScintilla(SCI_SETCARETPERIOD, steady ? 0L : caretPeriod_);
}

void TMarginRichEdit::GoToLine(int line)
{
    const long index = qBound(1, line, LineCount()) - 1;
    SendScintilla(SCI_ENSUREVISIBLEENFORCEPOLICY, index);
    const long position = SendScintilla(SCI_POSITIONFROMLINE, index);
    SendScintilla(SCI_GOTOPOS, position);
}

TagMatch TMarginRichEdit::TagMatchAtCaret(long reach) const
{
    auto* self = const_cast<TMarginRichEdit*>(this);
    const long caret = self->SendScintilla(SCI_GETCURRENTPOS);
    const long length = self->SendScintilla(SCI_GETLENGTH);
    // Most carets are nowhere near a tag name: a look at a few bytes before it settles that
    // without touching the rest of the page.
    auto nameChar = [self](long at) {
        const char c = char(self->SendScintilla(SCI_GETCHARAT, at));
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    };
    long start = caret;
    while (start > 0 && caret - start < 16 && nameChar(start - 1))
        --start;
    if (start == caret && !(caret < length && nameChar(caret)))
        return {};
    const char before = start > 0 ? char(self->SendScintilla(SCI_GETCHARAT, start - 1)) : 0;
    if (before != '<' && before != '/')
        return {};
    const long from = qMax(0L, caret - reach);
    const long to = qMin(length, caret + reach);
    const auto* bytes =
        reinterpret_cast<const char*>(self->SendScintilla(SCI_GETRANGEPOINTER, from, to - from));
    TagMatch match = matchingTag(QByteArrayView(bytes, to - from), caret - from);
    // An element still open where the bytes looked at stop ends somewhere beyond them.
    if (match.impliedEnd == to - from && to < length)
        match.impliedEnd = -1;
    if (match.inTagName())
        match.nameStart += from;
    if (match.partnerStart >= 0)
        match.partnerStart += from;
    if (match.impliedEnd >= 0)
        match.impliedEnd += from;
    return match;
}

bool TMarginRichEdit::GoToMatchingTag()
{
    const TagMatch match = TagMatchAtCaret(SendScintilla(SCI_GETLENGTH));
    if (!match.hasPartner())
        return false;
    const long target = long(match.target());
    SendScintilla(SCI_ENSUREVISIBLEENFORCEPOLICY, SendScintilla(SCI_LINEFROMPOSITION, target));
    SendScintilla(SCI_GOTOPOS, target);
    return true;
}

void TMarginRichEdit::markMatchingTag()
{
    SendScintilla(SCI_SETINDICATORCURRENT, kMatchIndicator);
    const long length = SendScintilla(SCI_GETLENGTH);
    for (int i = 0; i < 4; i += 2) {
        if (markedTag_[i] >= 0 && markedTag_[i] < length)
            SendScintilla(SCI_INDICATORCLEARRANGE, markedTag_[i],
                          qMin(markedTag_[i + 1], length - markedTag_[i]));
        markedTag_[i] = -1;
    }
    const TagMatch match = TagMatchAtCaret(kTagMarkReach);
    if (!match.hasPartner())
        return;
    // An element ended implicitly marks the tag that ends it, if any.
    markedTag_[0] = long(match.nameStart);
    markedTag_[1] = long(match.nameLength);
    markedTag_[2] = long(match.partnerStart);
    markedTag_[3] = long(match.partnerLength);
    for (int i = 0; i < 4; i += 2)
        if (markedTag_[i] >= 0)
            SendScintilla(SCI_INDICATORFILLRANGE, markedTag_[i], markedTag_[i + 1]);
}

void TMarginRichEdit::onUpdateUi(int updated)
{
    if (updated & SC_UPDATE_CONTENT) {
        updateLineNumberWidth();
        Q_EMIT textEdited();
    }
    if (updated & (SC_UPDATE_CONTENT | SC_UPDATE_SELECTION))
        markMatchingTag();
    computeVisibleFolds();
    if (updated & SC_UPDATE_V_SCROLL)
        Q_EMIT viewScrolled();
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    if (caret != addedGreaterThan_ + 1)
        addedGreaterThan_ = -1;
    if (updated & SC_UPDATE_CONTENT || caret != lastCaret_)
        updateCaretBlink();
    if (caret != lastCaret_) {
        lastCaret_ = caret;
        Q_EMIT caretMoved();
    }
}

void TMarginRichEdit::onCharAdded(int ch)
{
    if (!tagCompletion_ || isReadOnly() || (ch != '<' && ch != '/'))
        return;
    if (!SendScintilla(SCI_GETSELECTIONEMPTY))
        return;
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const bool closing = ch == '/';
    if (closing && (caret < 2 || char(SendScintilla(SCI_GETCHARAT, caret - 2)) != '<'))
        return;
    closeCompletionList();
    // Names in the case of the nearest tags before what was typed, and HTML5's on a page that
    // declares it. Small copies first: a range pointer may move Scintilla's gap.
    const long typed = caret - (closing ? 2 : 1);
    const long nearFrom = qMax(0L, typed - 8192);
    const QByteArray nearBefore(reinterpret_cast<const char*>(
                                    SendScintilla(SCI_GETRANGEPOINTER, nearFrom, typed - nearFrom)),
                                typed - nearFrom);
    const long headLength = qMin(1024L, long(SendScintilla(SCI_GETLENGTH)));
    const QByteArray head(
        reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, 0L, headLength)),
        headLength);
    CompletionStyle style;
    style.lowerCase = writesLowerCaseTags(nearBefore);
    style.html5 = declaresHtml5(head);
    QByteArrayView before;
    if (closing)
        before = QByteArrayView(
            reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, 0L, caret)), caret);
    const QByteArray list =
        tagCompletionList(before, closing, style).join(QLatin1Char(' ')).toLatin1();
    closingCompletion_ = closing;
    completionMoved_ = false;
    // Typing on narrows the list; a character no name holds closes it. Enter or Tab inserts
    // once a letter was typed or the list moved (completionKey), and the name replaces what
    // was typed of it.
    SendScintilla(SCI_AUTOCSETSEPARATOR, long(' '));
    SendScintilla(SCI_AUTOCSETIGNORECASE, 1L);
    SendScintilla(SCI_AUTOCSETORDER, closing ? long(SC_ORDER_CUSTOM) : long(SC_ORDER_PRESORTED));
    SendScintilla(SCI_AUTOCSETAUTOHIDE, 1L);
    SendScintilla(SCI_AUTOCSETCHOOSESINGLE, 0L);
    SendScintilla(SCI_AUTOCSETDROPRESTOFWORD, 0L);
    SendScintilla(SCI_AUTOCSETFILLUPS, "");
    SendScintilla(SCI_AUTOCSTOPS, "");
    SendScintilla(SCI_AUTOCSHOW, 0UL, list.constData());
}

void TMarginRichEdit::closeCompletionList()
{
    if (SendScintilla(SCI_AUTOCACTIVE))
        SendScintilla(SCI_AUTOCCANCEL);
}

void TMarginRichEdit::onCompletionAccepted()
{
    if (!closingCompletion_)
        return;
    closingCompletion_ = false;
    // An accepted end tag is finished with its ">", unless one follows already.
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    // A ">" typed next goes over this one, as it would over a closing bracket.
    addedGreaterThan_ = caret;
    if (caret < SendScintilla(SCI_GETLENGTH) && char(SendScintilla(SCI_GETCHARAT, caret)) == '>') {
        SendScintilla(SCI_GOTOPOS, caret + 1);
        return;
    }
    SendScintilla(SCI_ADDTEXT, 1UL, ">");
    noteEdit();
}

bool TMarginRichEdit::completionKey(QKeyEvent* event)
{
    if (SendScintilla(SCI_AUTOCACTIVE)) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            completionMoved_ = true;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            // Straight after "<" the user meant the key itself ("if a <" and a new line).
            if (!completionMoved_ &&
                SendScintilla(SCI_GETCURRENTPOS) <= SendScintilla(SCI_AUTOCPOSSTART))
                closeCompletionList();
            break;
        default:
            break;
        }
        return false;
    }
    if (event->text().isEmpty())
        return false; // Shift on its way to ">"
    const long added = addedGreaterThan_;
    addedGreaterThan_ = -1;
    if (added < 0 || event->text() != QLatin1String(">"))
        return false;
    const bool over = SendScintilla(SCI_GETCURRENTPOS) == added + 1 &&
                      SendScintilla(SCI_GETSELECTIONEMPTY) &&
                      char(SendScintilla(SCI_GETCHARAT, added)) == '>';
    if (over)
        event->accept();
    return over;
}
