#include "site/find_in_files_dialog.h"

#include "core/dialog_buttons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TFindInFilesDialog::TFindInFilesDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFindInFilesDialog"));
    setWindowTitle(QStringLiteral("Find in Files"));
    auto* form = new QFormLayout;
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName(QStringLiteral("ReplaceEdit"));
    MatchCaseBox = new QCheckBox(QStringLiteral("Match &case"), this);
    MatchCaseBox->setObjectName(QStringLiteral("MatchCaseBox"));
    WholeWordsBox = new QCheckBox(QStringLiteral("&Whole words"), this);
    WholeWordsBox->setObjectName(QStringLiteral("WholeWordsBox"));
    RegexBox = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    RegexBox->setObjectName(QStringLiteral("RegexBox"));
    WhereBox = new QComboBox(this);
    WhereBox->setObjectName(QStringLiteral("WhereBox"));
    WhereBox->addItems({QStringLiteral("This page"), QStringLiteral("Site folder")});
    WhereBox->setCurrentIndex(1);
    FileNamesEdit = new QLineEdit(QStringLiteral("*.htm;*.html"), this);
    FileNamesEdit->setObjectName(QStringLiteral("FileNamesEdit"));
    form->addRow(QStringLiteral("Fi&nd what:"), FindEdit);
    form->addRow(QStringLiteral("Re&place with:"), ReplaceEdit);
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(MatchCaseBox);
    boxes->addWidget(WholeWordsBox);
    boxes->addWidget(RegexBox);
    form->addRow(QString(), boxes);
    form->addRow(QStringLiteral("W&here:"), WhereBox);
    form->addRow(QStringLiteral("File &names:"), FileNamesEdit);
    // File names only matter for the site folder.
    auto followWhere = [this] { FileNamesEdit->setEnabled(WhereBox->currentIndex() == 1); };
    connect(WhereBox, &QComboBox::currentIndexChanged, this, followWhere);

    auto* buttons = new QDialogButtonBox(this);
    FindButton = buttons->addButton(QStringLiteral("Find"), QDialogButtonBox::AcceptRole);
    FindButton->setObjectName(QStringLiteral("FindButton"));
    FindButton->setDefault(true);
    ReplaceAllButton =
        buttons->addButton(QStringLiteral("Replace All in Files"), QDialogButtonBox::ActionRole);
    ReplaceAllButton->setObjectName(QStringLiteral("ReplaceAllButton"));
    CancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(FindButton, &QPushButton::clicked, this, [this] {
        replace_ = false;
        accept();
    });
    connect(ReplaceAllButton, &QPushButton::clicked, this, [this] {
        replace_ = true;
        accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto enable = [this] {
        const bool any = !FindEdit->text().isEmpty();
        FindButton->setEnabled(any);
        ReplaceAllButton->setEnabled(any);
    };
    connect(FindEdit, &QLineEdit::textChanged, this, enable);
    enable();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

FindInFilesOptions TFindInFilesDialog::options() const
{
    return FindInFilesOptions{FindEdit->text(), ReplaceEdit->text(), MatchCaseBox->isChecked(),
                              WholeWordsBox->isChecked(), RegexBox->isChecked()};
}

TFindInFilesDialog::Where TFindInFilesDialog::where() const
{
    return WhereBox->currentIndex() == 0 ? Where::ThisPage : Where::SiteFolder;
}

QStringList TFindInFilesDialog::namePatterns() const
{
    return splitNamePatterns(FileNamesEdit->text());
}

TReplaceInFilesDialog::TReplaceInFilesDialog(const FindInFilesResult& result, const QString& folder,
                                             QWidget* parent)
    : QDialog(parent), result_(result)
{
    setObjectName(QStringLiteral("TReplaceInFilesDialog"));
    setWindowTitle(QStringLiteral("Replace All in Files"));
    resize(640, 420);
    auto* label =
        new QLabel(QStringLiteral("%1 replacements in %2 files. Uncheck any to leave alone.")
                       .arg(result.matchCount())
                       .arg(result.files.size()),
                   this);
    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setHeaderLabels(
        {QStringLiteral("Line"), QStringLiteral("Found"), QStringLiteral("Replaced with")});
    List->setRootIsDecorated(true);
    const QDir root(folder);
    for (const FindInFilesFile& file : result.files) {
        auto* top = new QTreeWidgetItem(List);
        top->setText(0, folder.isEmpty()
                            ? QDir::toNativeSeparators(file.path)
                            : QDir::toNativeSeparators(root.relativeFilePath(file.path)));
        top->setFirstColumnSpanned(true);
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        for (const FindInFilesMatch& m : file.matches) {
            auto* item = new QTreeWidgetItem(top);
            item->setText(0, QString::number(m.line));
            item->setText(1, m.lineText.mid(m.lineStart, m.lineLength));
            item->setText(2, m.replacement);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Checked);
        }
        top->setExpanded(true);
    }
    List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    okCancelColumn(this, label, List);
}

QList<FindInFilesFile> TReplaceInFilesDialog::chosen() const
{
    QList<FindInFilesFile> out;
    for (int f = 0; f < List->topLevelItemCount() && f < result_.files.size(); ++f) {
        const QTreeWidgetItem* top = List->topLevelItem(f);
        FindInFilesFile file = result_.files.at(f);
        file.matches.clear();
        for (int m = 0; m < top->childCount(); ++m)
            if (top->child(m)->checkState(0) == Qt::Checked)
                file.matches << result_.files.at(f).matches.at(m);
        if (!file.matches.isEmpty())
            out << file;
    }
    return out;
}
