#pragma once

#include "site/find_in_files.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Edit > Find in Files: what to look for, where, and whether to replace. The dialog only
// collects the fields; the window runs the search.
class TFindInFilesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFindInFilesDialog(QWidget* parent = nullptr);

    enum class Where { ThisPage, SiteFolder };
    FindInFilesOptions options() const;
    Where where() const;
    QStringList namePatterns() const;
    // Whether "Replace All in Files" closed the dialog (else Find).
    bool replaceChosen() const { return replace_; }

    QLineEdit* FindEdit = nullptr;
    QLineEdit* ReplaceEdit = nullptr;
    QCheckBox* MatchCaseBox = nullptr;
    QCheckBox* WholeWordsBox = nullptr;
    QCheckBox* RegexBox = nullptr;
    QComboBox* WhereBox = nullptr;
    QLineEdit* FileNamesEdit = nullptr;
    QPushButton* FindButton = nullptr;
    QPushButton* ReplaceAllButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    bool replace_ = false;
};

// Every replacement, each with a check box, before anything is written.
class TReplaceInFilesDialog : public QDialog
{
    Q_OBJECT
public:
    TReplaceInFilesDialog(const FindInFilesResult& result, const QString& folder,
                          QWidget* parent = nullptr);
    // The checked replacements, file by file (files with none left out).
    QList<FindInFilesFile> chosen() const;

    QTreeWidget* List = nullptr;

private:
    FindInFilesResult result_;
};
