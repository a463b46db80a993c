#include "core/recent_files.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/settings_store.h"

#include <QMenu>
#include <QtGlobal>

// ---- model ----

void RecentFilesModel::add(const QString& path)
{
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_.at(i).compare(path, kPathCase) == 0) {
            entries_.move(i, 0);
            return;
        }
    }
    entries_.prepend(path);
    while (entries_.size() > maximum_)
        entries_.removeLast();
}

void RecentFilesModel::append(const QStringList& paths)
{
    entries_.append(paths);
}

void RecentFilesModel::removeAt(int index)
{
    if (index >= 0 && index < entries_.size())
        entries_.removeAt(index);
}

bool RecentFilesModel::setMaximum(int maximum)
{
    maximum = qBound(0, maximum, 255);
    if (maximum == maximum_)
        return false;
    const bool lowered = maximum < maximum_;
    maximum_ = maximum;
    if (!lowered)
        return false;
    bool dropped = false;
    while (entries_.size() > maximum_) {
        entries_.removeLast();
        dropped = true;
    }
    return dropped;
}

// ---- menu items ----

TMRUMenuItem::TMRUMenuItem(int entryNumber, QObject* owner)
    : QAction(owner), entryNumber_(entryNumber)
{
}

TMRUMenuItem::~TMRUMenuItem() = default;

// ---- the list ----

TMRUFileList::TMRUFileList(QObject* owner) : QObject(owner) {}

TMRUFileList::~TMRUFileList()
{
    if (!AutoSave)
        return;
    // Runs at program end; nothing may escape a destructor, and there is no one left to ask.
    try {
        Save();
    } catch (const AppError& e) {
        qWarning("%s", e.what());
    } catch (...) {
        qWarning("Recent files could not be saved");
    }
}

void TMRUFileList::setMaximum(int maximum)
{
    if (maximum == model_.maximum())
        return;
    const bool lowered = maximum < model_.maximum();
    model_.setMaximum(maximum);
    if (lowered)
        rebuild();
}

void TMRUFileList::setFileMenu(QAction* anchor)
{
    removeOwnItems();
    fileMenu_ = anchor;
    rebuild();
}

void TMRUFileList::Loaded()
{
    if (AutoSave)
        Load();
}

void TMRUFileList::AddItem(const QString& path)
{
    model_.add(path);
    rebuild();
}

void TMRUFileList::Load()
{
    QStringList paths;
    try {
        for (const auto& value : ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey))
            paths.append(value.second);
    } catch (const AppError&) {
        paths.clear(); // an unreadable store gives an empty list
    }
    model_.append(paths);
    rebuild();
}

void TMRUFileList::Save()
{
    EraseSubkey(kRecentFilesKeyPath, kRecentFilesSubkey);
    const QStringList& entries = model_.entries();
    for (qsizetype i = 0; i < entries.size(); ++i)
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F%1").arg(i),
                         entries.at(i));
}

void TMRUFileList::removeOwnItems()
{
    // Only items this list made are touched. An item may be the one being clicked right now,
    // so it leaves its menus at once and is deleted once the click has been delivered.
    for (const QPointer<TMRUMenuItem>& item : std::as_const(items_)) {
        if (!item)
            continue;
        for (QObject* holder : item->associatedObjects()) {
            if (auto* widget = qobject_cast<QWidget*>(holder))
                widget->removeAction(item);
        }
        item->deleteLater();
    }
    items_.clear();
}

void TMRUFileList::rebuild()
{
    if (!fileMenu_)
        return;
    removeOwnItems();
    const QStringList& entries = model_.entries();
    if (entries.isEmpty())
        return;

    // An anchor with sub-items takes the entries at its end; a plain item has them in front of
    // it, in the menu that holds it.
    QMenu* target = nullptr;
    QAction* before = nullptr;
    QMenu* anchorMenu = fileMenu_->menu();
    if (anchorMenu && !anchorMenu->actions().isEmpty()) {
        target = anchorMenu;
    } else {
        for (QObject* holder : fileMenu_->associatedObjects()) {
            if ((target = qobject_cast<QMenu*>(holder)))
                break;
        }
        before = fileMenu_;
    }
    if (!target)
        return;

    auto place = [&](TMRUMenuItem* item) {
        items_.append(item);
        if (before)
            target->insertAction(before, item);
        else
            target->addAction(item);
    };

    auto* separator = new TMRUMenuItem(0, this);
    separator->setSeparator(true);
    place(separator);

    for (qsizetype i = 0; i < entries.size(); ++i) {
        auto* item = new TMRUMenuItem(int(i) + 1, this);
        // A "&" inside the path is shown as itself, not as an access key.
        QString path = entries.at(i);
        path.replace(QLatin1Char('&'), QStringLiteral("&&"));
        item->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(item, &QAction::triggered, this, [this, item] { itemClicked(item); });
        place(item);
    }
}

void TMRUFileList::itemClicked(TMRUMenuItem* item)
{
    const int index = item->entryNumber() - 1;
    if (index < 0 || index >= model_.entries().size())
        return;
    Q_EMIT MRUItemClick(item, model_.entries().at(index));
}
