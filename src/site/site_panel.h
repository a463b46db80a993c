#pragma once

#include <QTreeView>
#include <QWidget>

#include <memory>

class QAbstractFileIconProvider;
class QFileSystemModel;
class QLabel;

// The site folder's tree. It only shows and asks: what happens to a file (opening it,
// inserting a picture, renaming, deleting) is decided by whoever owns the panel.
class TSiteTree : public QTreeView
{
    Q_OBJECT
public:
    explicit TSiteTree(QWidget* parent = nullptr);
    // The path of an entry; empty for none.
    QString pathAt(const QModelIndex& index) const;
    QString currentPath() const;

Q_SIGNALS:
    void fileActivated(const QString& path);
    // Entries dragged onto a folder of the tree (or onto a file: its folder).
    void moveRequested(const QStringList& paths, const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString dropFolder(const QPoint& at) const;
};

class TSitePanel : public QWidget
{
    Q_OBJECT
public:
    explicit TSitePanel(QWidget* parent = nullptr);
    ~TSitePanel() override;

    // Shows `folder` (empty: nothing, with a hint to open a site).
    void setSiteFolder(const QString& folder);
    const QString& siteFolder() const { return folder_; }
    QFileSystemModel* model() const { return model_; }

    TSiteTree* Tree = nullptr;
    QLabel* Caption = nullptr;

    // Pictures the editor inserts as IMG, by extension.
    static bool isPicture(const QString& path);

Q_SIGNALS:
    void fileActivated(const QString& path);
    void moveRequested(const QStringList& paths, const QString& folder);
    // The context menu's entries, for the entry under the pointer (a folder for New Page).
    void newPageRequested(const QString& folder);
    void renameRequested(const QString& path);
    void deleteRequested(const QString& path);
    void browserRequested(const QString& path);
    void checkRequested(const QString& path);

private:
    void showMenu(const QPoint& at);

    // Outlives the model, which asks it for icons until it is gone.
    std::unique_ptr<QAbstractFileIconProvider> icons_;
    QFileSystemModel* model_ = nullptr;
    QString folder_;
};
