#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Renaming or moving a page, picture or folder of the site with every link to it kept: the
// links are found (HREF, SRC, BACKGROUND, CODE, CODEBASE, ACTION, USEMAP, LOWSRC; relative,
// site-rooted and file: forms), their new texts worked out, and only those bytes written.

struct LinkChange
{
    QString page;  // the page holding the link (absolute)
    int line = 0;  // from 1
    long from = 0; // the link's value in the page's editor text (UTF-8 bytes, LF)
    long to = 0;
    QString oldText;
    QString newText;
    // Points at the entry only by another letter case (a link that does not work): listed,
    // left alone.
    bool caseOnly = false;
};

struct RenamePlan
{
    QString site; // resolved
    QString from; // resolved, inside the site
    QString to;
    QList<LinkChange> changes;
    int pagesSearched = 0;
    QStringList skipped; // pages not read: binary, too large or unreadable
    int changeCount() const;
};

// The page open in the editor, read as it stands there instead of from disk.
struct EditorPage
{
    QString path;
    QByteArray utf8;
};

// Where `target` lies after `from` became `to` (a folder takes everything inside along).
QString movedPath(const QString& target, const QString& from, const QString& to);

// The new text of one link value, found in a page (or applet code base) whose folder is
// `base` and will be `newBase`; a null string when the link stays as it is. `caseOnly` is set
// for a link that reaches `from` only by another letter case (its text is then returned
// unchanged).
QString renamedLink(const QString& value, const QString& base, const QString& newBase,
                    const QString& site, const QString& from, const QString& to,
                    bool* caseOnly = nullptr);

// Refuses what the site panel may not do: `from` must be a regular file or a folder inside the
// site (not the site itself, no symbolic link, no name starting with "."), `to` a free name in
// an existing folder of the site, not inside `from`. Raises AppError with the reason.
void checkRename(const QString& site, const QString& from, const QString& to);

// Every link of every page of the site that the rename changes. Pages are read as Find in
// Files reads them (regular files inside the site, bounded); the editor's page from `editor`.
RenamePlan planRename(const QString& site, const QString& from, const QString& to,
                      const EditorPage& editor = {}, const std::atomic_bool* cancel = nullptr);

using PageWriter = std::function<void(const QString& path, const QByteArray& bytes)>;

// Writes every changed page but `editorPage` (the caller changes that one in the editor), then
// renames on disk. All or nothing: every page is checked first; when a write or the rename
// fails, pages already written get their old bytes back and AppError names the page and why.
// `write` defaults to writing like any save.
void applyRename(const RenamePlan& plan, const QString& editorPage, const PageWriter& write = {});

// The changes for one page, as (from, to, new text) in its editor text, case-only ones left out.
QList<LinkChange> changesFor(const RenamePlan& plan, const QString& page);
