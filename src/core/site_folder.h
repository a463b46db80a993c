#pragma once

#include <QString>

#include <memory>

class QFile;

// The folder a page's site lies in: what the live preview may serve, the link check may read,
// the site panel shows and find in files searches.
//
// The folder the user chose as the site, when the page lies inside it; else the highest folder
// above the page, strictly below the home folder, that holds an index page (index.htm,
// index.html or default.htm, in any letter case); else the page's own folder. Paths are
// resolved (symbolic links, "..") first. An empty page path (an untitled page) gives the chosen
// site or nothing.
QString siteFolderFor(const QString& pagePath, const QString& chosenSite = QString(),
                      const QString& home = QString());

// Whether `path` (resolved) lies inside `folder` (resolved), or is the folder itself.
bool liesInside(const QString& path, const QString& folder);

// Whether a file name is a web page's (.htm, .html, .shtml, .xhtml in any letter case).
bool isPageFile(const QString& path);

// Whether the folder holds an index page, by any letter case of its name.
bool holdsIndexPage(const QString& folder);

// Opens `path` for reading on a page's behalf: only a regular file inside `siteFolder`
// (resolved), reached without leaving it by "..", a symbolic link or a name starting with ".";
// never a folder, a FIFO, a device or a socket. nullptr when refused or unreadable.
std::unique_ptr<QFile> openInsideSite(const QString& path, const QString& siteFolder);
