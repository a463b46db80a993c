#include "site/rename_dialog.h"

#include "core/dialog_buttons.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

TRenameDialog::TRenameDialog(const QString& path, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TRenameDialog"));
    setWindowTitle(QStringLiteral("Rename"));
    const QFileInfo info(path);
    auto* label = new QLabel(QStringLiteral("New &name for %1:").arg(info.fileName()), this);
    NameEdit = new QLineEdit(info.fileName(), this);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    label->setBuddy(NameEdit);
    // The name without its extension is selected, as file managers do.
    const qsizetype dot = info.isDir() ? -1 : info.fileName().lastIndexOf(QLatin1Char('.'));
    NameEdit->setSelection(0, int(dot > 0 ? dot : info.fileName().size()));
    QPushButton* ok = okCancelColumn(this, label, NameEdit)->button(QDialogButtonBox::Ok);
    const auto update = [this, ok, original = info.fileName()] {
        const QString name = newName();
        ok->setEnabled(!name.isEmpty() && name != original && !name.contains(QLatin1Char('/')) &&
                       name != QLatin1String("..") && !name.startsWith(QLatin1Char('.')));
    };
    connect(NameEdit, &QLineEdit::textChanged, this, update);
    update();
    resize(qMax(360, sizeHint().width()), sizeHint().height());
}

QString TRenameDialog::newName() const
{
    return NameEdit->text().trimmed();
}

TRenameLinksDialog::TRenameLinksDialog(const RenamePlan& plan, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TRenameLinksDialog"));
    const QDir root(plan.site);
    const bool moved = QFileInfo(plan.from).absolutePath() != QFileInfo(plan.to).absolutePath();
    setWindowTitle(moved ? QStringLiteral("Move") : QStringLiteral("Rename"));
    resize(720, 420);
    QStringList pages;
    int caseOnly = 0;
    for (const LinkChange& c : plan.changes) {
        if (!pages.contains(c.page) && !c.caseOnly)
            pages << c.page;
        caseOnly += c.caseOnly ? 1 : 0;
    }
    QString text = QStringLiteral("%1 \u2192 %2\n")
                       .arg(QDir::toNativeSeparators(root.relativeFilePath(plan.from)),
                            QDir::toNativeSeparators(root.relativeFilePath(plan.to)));
    text +=
        plan.changeCount() == 0
            ? QStringLiteral("No page of the site links to it.")
            : QStringLiteral("%1 %2 in %3 %4 will change.")
                  .arg(plan.changeCount())
                  .arg(plan.changeCount() == 1 ? QStringLiteral("link") : QStringLiteral("links"))
                  .arg(pages.size())
                  .arg(pages.size() == 1 ? QStringLiteral("page") : QStringLiteral("pages"));
    if (caseOnly > 0)
        text += caseOnly == 1 ? QStringLiteral(" 1 link reaches it only by another letter case; "
                                               "it does not work now and is left alone.")
                              : QStringLiteral(" %1 links reach it only by another letter case; "
                                               "they do not work now and are left alone.")
                                    .arg(caseOnly);
    if (!plan.skipped.isEmpty())
        text += QStringLiteral(" %1 pages could not be read (binary, too large or unreadable).")
                    .arg(plan.skipped.size());
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("Summary"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setRootIsDecorated(false);
    List->setHeaderLabels({QStringLiteral("Page"), QStringLiteral("Line"), QStringLiteral("Link"),
                           QStringLiteral("New link")});
    for (const LinkChange& c : plan.changes) {
        auto* item = new QTreeWidgetItem(List);
        item->setText(0, QDir::toNativeSeparators(root.relativeFilePath(c.page)));
        item->setText(1, QString::number(c.line));
        item->setText(2, c.oldText);
        item->setText(3,
                      c.caseOnly ? QStringLiteral("(letter case differs: left alone)") : c.newText);
        if (c.caseOnly)
            for (int column = 0; column < 4; ++column)
                item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    okCancelColumn(this, label, List, 1);
}
