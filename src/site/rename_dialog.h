#pragma once

#include "site/link_rename.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;

// Asks for an entry's new name (a name only: it stays in its folder).
class TRenameDialog : public QDialog
{
    Q_OBJECT
public:
    TRenameDialog(const QString& path, QWidget* parent = nullptr);
    QString newName() const;

    QLineEdit* NameEdit = nullptr;
};

// Every link a rename changes, with its new text, before anything is written. Links that
// reach the entry only by another letter case are listed as such.
class TRenameLinksDialog : public QDialog
{
    Q_OBJECT
public:
    TRenameLinksDialog(const RenamePlan& plan, QWidget* parent = nullptr);

    QTreeWidget* List = nullptr;
};
