// Folding from the page's elements: a fold runs from an element's start tag to its end, stated
// or implied (an LI ends at the next LI or at its list's end tag). Levels are computed from the
// line an edit touched, only as far as the screen shows, and restart from saved reader states
// every few hundred lines, so typing on a big page costs a screenful of reading.
#include "editor/margin_rich_edit.h"

#include <QMouseEvent>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr int kCheckpointSpacing = 256; // lines between saved reader states
constexpr int kMaxDepth =
    QsciScintillaBase::SC_FOLDLEVELNUMBERMASK - QsciScintillaBase::SC_FOLDLEVELBASE;

// The width of the margins together, left of the text.
int marginsWidth(const QsciScintillaBase& editor)
{
    long width = 0;
    for (long margin = 0; margin < 5; ++margin)
        width += editor.SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, margin);
    return int(width);
}

} // namespace

void TMarginRichEdit::resetFolds()
{
    foldCheckpoints_.clear();
    foldCheckpoints_.push_back(FoldCheckpoint{});
    foldValidLines_ = 0;
    foldDirtyFrom_ = LONG_MAX;
}

void TMarginRichEdit::noteEdit()
{
    // Scintilla moves its "styled up to" mark back to every change, and restyles only when it
    // paints; read before that, the mark is at or before the first change.
    foldDirtyFrom_ = qMin(foldDirtyFrom_, long(SendScintilla(SCI_GETENDSTYLED)));
}

void TMarginRichEdit::noteRestyled(long position)
{
    foldDirtyFrom_ = qMin(foldDirtyFrom_, position);
}

void TMarginRichEdit::computeFolds(int lastLine)
{
    // A page with lines too long to draw gets no folds: one such line would be read whole on
    // every keystroke, and a minified page has nothing to fold anyway.
    if (!lexer_ || longLinesCutShort_ > 0)
        return;
    if (foldDirtyFrom_ != LONG_MAX) {
        const long dirty = foldDirtyFrom_;
        foldDirtyFrom_ = LONG_MAX;
        // A saved state holds as long as nothing before it changed.
        while (foldCheckpoints_.size() > 1 && foldCheckpoints_.back().position > dirty)
            foldCheckpoints_.pop_back();
        const long length = SendScintilla(SCI_GETLENGTH);
        foldValidLines_ =
            qMin(foldValidLines_, int(SendScintilla(SCI_LINEFROMPOSITION, qMin(dirty, length))));
    }
    const int lineCount = LineCount();
    lastLine = qMin(lastLine, lineCount - 1);
    if (foldValidLines_ > lastLine)
        return;

    const FoldCheckpoint from = foldCheckpoints_.back();
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* data = reinterpret_cast<const char*>(
        SendScintilla(SCI_GETRANGEPOINTER, from.position, length - from.position));
    const QByteArrayView text(data, length - from.position);

    // The least depth each line reaches, from the checkpoint's line on: a line's level.
    std::vector<int> least;
    int line = from.line;
    int lineLeast = from.lineLeast;
    ElementNesting nesting;
    nesting.setOpen(from.open);
    qsizetype scanned = 0;
    auto endLinesBefore = [&](qsizetype at) {
        while (scanned < at) {
            const void* nl = std::memchr(text.data() + scanned, '\n', size_t(at - scanned));
            if (!nl) {
                scanned = at;
                break;
            }
            scanned = static_cast<const char*>(nl) - text.data() + 1;
            least.push_back(lineLeast);
            ++line;
            lineLeast = int(nesting.open().size());
        }
    };
    TagLexer lexer(text);
    LexedTag tag;
    bool complete = true;
    while (lexer.next(tag)) {
        endLinesBefore(tag.start);
        if (line > lastLine + 1) {
            complete = false; // the lines wanted, and the one after them, are settled
            break;
        }
        const int before = int(nesting.open().size());
        int ended = 0;
        nesting.feed(tag, [&](const ElementEnd&) { ++ended; });
        lineLeast = qMin(lineLeast, before - ended);
        if (line >= foldCheckpoints_.back().line + kCheckpointSpacing) {
            // The reader may stand lines further on, past the content of a SCRIPT.
            endLinesBefore(lexer.position());
            foldCheckpoints_.push_back(FoldCheckpoint{from.position + long(lexer.position()), line,
                                                      lineLeast, nesting.open()});
        }
    }
    if (complete) {
        endLinesBefore(text.size());
        least.push_back(lineLeast);
    }

    // Levels: a line is a fold's header when the next line lies deeper.
    auto levelOf = [](int depth) { return SC_FOLDLEVELBASE + qMin(depth, kMaxDepth); };
    const int settled = int(least.size()) - (complete ? 0 : 1);
    // Each new level asks for the margin to be redrawn; on a page read whole that is one
    // posted repaint per line, a third of the work. Asked once, at the end, instead.
    QWidget* view = viewport();
    const bool updatesWereOn = !view->testAttribute(Qt::WA_UpdatesDisabled);
    view->setAttribute(Qt::WA_UpdatesDisabled, true); // unlike setUpdatesEnabled, no repaint
    bool changed = false;
    // A changed level can unfold hidden lines, which moves the text below them as well.
    const long shownLines = SendScintilla(SCI_VISIBLEFROMDOCLINE, long(lineCount));
    auto setLevel = [&](int at, int level) {
        if (SendScintilla(SCI_GETFOLDLEVEL, long(at)) != level) {
            SendScintilla(SCI_SETFOLDLEVEL, long(at), long(level));
            changed = true;
        }
    };
    if (from.line > 0 && !least.empty()) {
        const long above = SendScintilla(SCI_GETFOLDLEVEL, long(from.line - 1));
        const int depth = int(above & SC_FOLDLEVELNUMBERMASK);
        setLevel(from.line - 1, (above & ~long(SC_FOLDLEVELHEADERFLAG)) |
                                    (levelOf(least[0]) > depth ? SC_FOLDLEVELHEADERFLAG : 0));
    }
    for (int i = 0; i < settled && from.line + i < lineCount; ++i) {
        const bool header = i + 1 < int(least.size()) && least[size_t(i + 1)] > least[size_t(i)];
        setLevel(from.line + i, levelOf(least[size_t(i)]) | (header ? SC_FOLDLEVELHEADERFLAG : 0));
    }
    view->setAttribute(Qt::WA_UpdatesDisabled, !updatesWereOn);
    if (changed && updatesWereOn) {
        if (SendScintilla(SCI_VISIBLEFROMDOCLINE, long(lineCount)) != shownLines)
            view->update();
        else
            view->update(0, 0, marginsWidth(*this), view->height());
    }
    foldValidLines_ = complete ? lineCount : from.line + settled;
}

void TMarginRichEdit::computeVisibleFolds()
{
    const long lastShown =
        SendScintilla(SCI_GETFIRSTVISIBLELINE) + SendScintilla(SCI_LINESONSCREEN) + 1;
    computeFolds(int(SendScintilla(SCI_DOCLINEFROMVISIBLE, lastShown)) + 1);
}

void TMarginRichEdit::mousePressEvent(QMouseEvent* event)
{
    // A click in the fold margin folds as far as the element reaches, past the screen too.
    if (lexer_ && event->position().x() < marginsWidth(*this))
        computeFolds(INT_MAX);
    QsciScintilla::mousePressEvent(event);
    noteEdit(); // a middle click pastes
}
