#include "site/site_panel.h"

#include "core/site_folder.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Icons by kind, looked up once. The model asks for every entry's icon and type on the
// window's thread; the desktop's provider answers each with a content-sniffing type lookup,
// which on a folder of thousands of files froze the window for a third of a second.
class SiteIcons : public QAbstractFileIconProvider
{
public:
    SiteIcons()
    {
        const QStyle* style = QApplication::style();
        const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
        icons_[Folder] =
            QIcon::fromTheme(QStringLiteral("folder"), style->standardIcon(QStyle::SP_DirIcon));
        icons_[Page] = QIcon::fromTheme(QStringLiteral("text-html"), file);
        icons_[Picture] = QIcon::fromTheme(QStringLiteral("image-x-generic"), file);
        icons_[OtherFile] = file;
    }

    QIcon icon(IconType type) const override
    {
        return icons_[type == QAbstractFileIconProvider::Folder ? Folder : OtherFile];
    }
    QIcon icon(const QFileInfo& info) const override { return icons_[kindOf(info)]; }
    QString type(const QFileInfo& info) const override
    {
        static const QString names[] = {QStringLiteral("Folder"), QStringLiteral("Page"),
                                        QStringLiteral("Picture"), QStringLiteral("File")};
        return names[kindOf(info)];
    }

private:
    enum Kind { Folder, Page, Picture, OtherFile, KindCount };

    // By name alone: nothing is read.
    static Kind kindOf(const QFileInfo& info)
    {
        if (info.isDir())
            return Folder;
        if (isPageFile(info.fileName()))
            return Page;
        return TSitePanel::isPicture(info.fileName()) ? Picture : OtherFile;
    }

    QIcon icons_[KindCount];
};

// Leaves out symbolic links that lead out of the site, so the tree never lists (or lets anyone
// open) what lies beyond it. Hidden names are already left out by the model's filter.
class InsideSiteFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    QString site;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        auto* files = static_cast<QFileSystemModel*>(sourceModel());
        const QModelIndex index = files->index(row, 0, parent);
        const QFileInfo info = files->fileInfo(index);
        if (!info.isSymLink())
            return true;
        const QString target = info.canonicalFilePath();
        return !site.isEmpty() && !target.isEmpty() && liesInside(target, site);
    }
};

QFileSystemModel* filesOf(const QAbstractItemModel* model)
{
    const auto* proxy = static_cast<const QSortFilterProxyModel*>(model);
    return static_cast<QFileSystemModel*>(proxy->sourceModel());
}

} // namespace

TSiteTree::TSiteTree(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("SiteTree"));
    setHeaderHidden(true);
    // Every row is one line: the view need not measure each of a big folder's entries.
    setUniformRowHeights(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // renaming goes through the link list
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        const QString path = pathAt(index);
        if (!path.isEmpty() && !QFileInfo(path).isDir())
            Q_EMIT fileActivated(path);
    });
}

QString TSiteTree::pathAt(const QModelIndex& index) const
{
    if (!index.isValid() || !model())
        return QString();
    const auto* proxy = static_cast<const QSortFilterProxyModel*>(model());
    return filesOf(model())->filePath(proxy->mapToSource(index));
}

QString TSiteTree::currentPath() const
{
    return pathAt(currentIndex());
}

void TSiteTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QString path = currentPath();
        if (!path.isEmpty() && !QFileInfo(path).isDir()) {
            Q_EMIT fileActivated(path);
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

QString TSiteTree::dropFolder(const QPoint& at) const
{
    const QModelIndex index = indexAt(at);
    QString path = index.isValid() ? pathAt(index) : pathAt(rootIndex());
    if (!path.isEmpty() && !QFileInfo(path).isDir())
        path = QFileInfo(path).absolutePath();
    return path;
}

void TSiteTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSiteTree::dragMoveEvent(QDragMoveEvent* event)
{
    // Only the tree's own entries move inside it; the model never moves anything itself.
    if (event->source() == this && !dropFolder(event->position().toPoint()).isEmpty()) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TSiteTree::dropEvent(QDropEvent* event)
{
    const QString folder = dropFolder(event->position().toPoint());
    if (event->source() != this || folder.isEmpty()) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    // Ignored, so the drag's source deletes nothing: the move is carried out by the owner.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (!paths.isEmpty())
        Q_EMIT moveRequested(paths, folder);
}

TSitePanel::TSitePanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SitePanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    Caption = new QLabel(this);
    Caption->setObjectName(QStringLiteral("SiteCaption"));
    Caption->setTextFormat(Qt::PlainText);
    Caption->setContentsMargins(4, 2, 4, 0);
    Caption->setWordWrap(true);
    layout->addWidget(Caption);
    Tree = new TSiteTree(this);
    layout->addWidget(Tree, 1);

    model_ = new QFileSystemModel(this);
    icons_ = std::make_unique<SiteIcons>();
    model_->setIconProvider(icons_.get());
    model_->setReadOnly(true);
    // Hidden names are not listed; the model follows changes on disk by itself.
    model_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    auto* filter = new InsideSiteFilter(this);
    filter->setSourceModel(model_);
    Tree->setModel(filter);
    for (int column = 1; column < model_->columnCount(); ++column)
        Tree->hideColumn(column);

    connect(Tree, &TSiteTree::fileActivated, this, &TSitePanel::fileActivated);
    connect(Tree, &TSiteTree::moveRequested, this, &TSitePanel::moveRequested);
    connect(Tree, &QWidget::customContextMenuRequested, this, &TSitePanel::showMenu);
    setSiteFolder(QString());
}

TSitePanel::~TSitePanel()
{
    delete model_; // before the icons it uses
}

void TSitePanel::setSiteFolder(const QString& folder)
{
    if (folder == folder_ && !folder.isEmpty())
        return;
    folder_ = folder;
    auto* filter = static_cast<InsideSiteFilter*>(Tree->model());
    filter->site = folder;
    if (folder.isEmpty()) {
        // Nothing is listed, not even the folder last shown.
        Caption->setText(QStringLiteral("No site folder: save the page or use File > Open Site."));
        Tree->hide();
        return;
    }
    Caption->setText(QDir::toNativeSeparators(folder));
    Tree->show();
    filter->invalidate();
    const QModelIndex root = model_->setRootPath(folder);
    Tree->setRootIndex(filter->mapFromSource(root));
}

bool TSitePanel::isPicture(const QString& path)
{
    static const QStringList kinds = {QStringLiteral("gif"),  QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("png"),
                                      QStringLiteral("bmp"),  QStringLiteral("ico"),
                                      QStringLiteral("webp"), QStringLiteral("svg")};
    return kinds.contains(QFileInfo(path).suffix().toLower());
}

void TSitePanel::showMenu(const QPoint& at)
{
    if (folder_.isEmpty())
        return;
    const QModelIndex index = Tree->indexAt(at);
    const QString path = index.isValid() ? Tree->pathAt(index) : folder_;
    const bool isFolder = QFileInfo(path).isDir();
    const bool isRoot = path == folder_;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SitePanelMenu"));
    const QString folder = isFolder ? path : QFileInfo(path).absolutePath();
    connect(menu.addAction(QStringLiteral("&New Page...")), &QAction::triggered, this,
            [this, folder] { Q_EMIT newPageRequested(folder); });
    QAction* rename = menu.addAction(QStringLiteral("&Rename..."));
    rename->setEnabled(!isRoot);
    connect(rename, &QAction::triggered, this, [this, path] { Q_EMIT renameRequested(path); });
    QAction* remove = menu.addAction(QStringLiteral("&Delete"));
    remove->setEnabled(!isRoot);
    connect(remove, &QAction::triggered, this, [this, path] { Q_EMIT deleteRequested(path); });
    menu.addSeparator();
    QAction* browser = menu.addAction(QStringLiteral("Open in &Browser"));
    browser->setEnabled(!isFolder);
    connect(browser, &QAction::triggered, this, [this, path] { Q_EMIT browserRequested(path); });
    QAction* check = menu.addAction(QStringLiteral("&Check"));
    check->setEnabled(!isFolder && !isPicture(path));
    connect(check, &QAction::triggered, this, [this, path] { Q_EMIT checkRequested(path); });
    menu.exec(Tree->viewport()->mapToGlobal(at));
}
