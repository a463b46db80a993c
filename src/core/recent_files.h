#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QMenu;

// The list of recent paths without any menu: newest first, unsorted.
class RecentFilesModel
{
public:
    explicit RecentFilesModel(int maximum = 5) : maximum_(maximum) {}

    const QStringList& entries() const { return entries_; }
    int maximum() const { return maximum_; }

    // Puts path at the top. A path already listed (letter case ignored) moves up and keeps the
    // case it was stored with; a new one is inserted and the oldest entries beyond the maximum
    // drop off.
    void add(const QString& path);
    // Appends stored paths as they are: no trimming to the maximum, duplicates kept.
    void append(const QStringList& paths);
    void removeAt(int index);
    void clear() { entries_.clear(); }
    // True when entries were dropped. Raising the maximum keeps everything.
    bool setMaximum(int maximum);

private:
    QStringList entries_;
    int maximum_;
};

// A menu item made and owned by a recent-files list; the list removes only these.
class TMRUMenuItem : public QAction
{
    Q_OBJECT
public:
    // entryNumber is 1-based; 0 marks the separator.
    TMRUMenuItem(int entryNumber, QObject* owner);
    ~TMRUMenuItem() override;
    int entryNumber() const { return entryNumber_; }

private:
    int entryNumber_;
};

// Recent files shown as numbered entries next to an anchor menu item; loads itself from the
// settings store (Loaded) and saves itself when destroyed (AutoSave).
class TMRUFileList : public QObject
{
    Q_OBJECT
public:
    explicit TMRUFileList(QObject* owner = nullptr);
    ~TMRUFileList() override;

    int Maximum() const { return model_.maximum(); }
    void setMaximum(int maximum);
    bool AutoSave = true; // loaded by Loaded() and saved when destroyed, in the program's store

    // The anchor: an item with sub-items (a menu's menuAction()) gets the entries at its end;
    // a plain item gets them in front of it, in the menu that holds it.
    QAction* FileMenu() const { return fileMenu_; }
    void setFileMenu(QAction* anchor);

    // Called by the owner once its properties are set: loads the stored list.
    void Loaded();
    void AddItem(const QString& path);
    const QStringList& Items() const { return model_.entries(); }

    // Store operations; Save raises the store's error when a write fails.
    void Load();
    void Save();

Q_SIGNALS:
    // A listed file was chosen. sender is the clicked menu item.
    void MRUItemClick(QObject* sender, const QString& fileName);

private:
    void rebuild();
    void removeOwnItems();
    void itemClicked(TMRUMenuItem* item);

    RecentFilesModel model_;
    QPointer<QAction> fileMenu_;
    QList<QPointer<TMRUMenuItem>> items_;
};
