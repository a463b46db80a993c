#include "editor/margin_rich_edit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>

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

} // namespace

void TMarginRichEdit::installQuietAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(quietEditorAccessible);
    static AccessibilitySwitch observer;
    QAccessible::installActivationObserver(&observer);
}

void TMarginRichEdit::applyAccessibilityState(bool listening, bool replaceDescription)
{
    accessibilityListening_ = listening;
    applyModificationMask();
    // The description cached for the other state goes; the next query makes the right one.
    if (replaceDescription)
        if (QAccessibleInterface* description = QAccessible::queryAccessibleInterface(this))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(description));
}

void TMarginRichEdit::applyModificationMask()
{
    // Without listeners only the notices nothing here pays for are asked for.
    long mask = accessibilityListening_
                    ? long(SC_MODEVENTMASKALL)
                    : long(SC_MOD_CHANGESTYLE | SC_MOD_CHANGEFOLD | SC_MOD_CHANGEMARKER);
    // Changes are reported from the notices sent before them: the ones sent after them also go
    // to QScintilla's accessibility, which counts characters from the start of the page.
    if (reportChanges_ || reportEdits_)
        mask |= SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE;
    SendScintilla(SCI_SETMODEVENTMASK, mask);
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
