#pragma once

#include <QDialog>
#include <QList>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

// One element of the tag reference: its name and a one-line description.
struct TagEntry
{
    QString name;
    QString description;
};

// The reference entries, in list order, read from the bundled tag text (one "name<TAB>
// description" line each; trailing blanks belong to the description).
QList<TagEntry> tagReferenceEntries();
QList<TagEntry> parseTagEntries(const QString& text);

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
