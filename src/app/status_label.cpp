#include "app/status_label.h"

#include <QPainter>
#include <QStyle>

TStatusLabel::TStatusLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString TStatusLabel::shownText() const
{
    QString line = text();
    for (QChar& c : line)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return fontMetrics().elidedText(line, Qt::ElideRight, contentsRect().width());
}

QSize TStatusLabel::minimumSizeHint() const
{
    // A long hint never widens the window; it is cut short instead.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void TStatusLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                          shownText(), foregroundRole());
}
