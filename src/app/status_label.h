#pragma once

#include <QLabel>

// The status label: one line of plain text ("<HEAD>" in a hint is text, not markup), cut short
// with an ellipsis at its end when the window is too narrow for it. text() keeps the whole text.
class TStatusLabel : public QLabel
{
public:
    explicit TStatusLabel(const QString& text, QWidget* parent = nullptr);

    // What is drawn at the label's present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
