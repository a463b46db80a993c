#pragma once

#include "editor/tag_reference.h"

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "HTML 3.2 Tag List": pick an element name, read its description. Inserts nothing.
class TTagList : public QDialog
{
    Q_OBJECT
public:
    explicit TTagList(QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr; // element names
    QPlainTextEdit* Memo1 = nullptr; // information
    QListWidget* ListBox2 = nullptr; // descriptions, hidden, parallel to ListBox1
    QPushButton* BitBtn1 = nullptr;  // OK

private:
    void ListBox1Click();
};
