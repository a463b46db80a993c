#pragma once

#include "check/page_check.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Check Site: every page of a folder and its sub-folders gets the page check, and the site as
// a whole what only it shows: pages no link leads to from the index page, pictures no page
// uses, links that leave the folder, a #name defined twice in a page. Pages are checked in
// parallel, one thread per core. No widgets; runs on any thread.
namespace SiteCheck {

using PageCheck::Finding;

// A file of the site and what was found in it. Places are byte offsets into the page's text
// as the editor shows it (decoded, LF line ends).
struct FileFindings
{
    QString path;     // absolute
    QString relative; // to the site folder
    QList<Finding> findings;
};

struct Options
{
    QString folder;
    PageCheck::MarkupIn markupIn = PageCheck::MarkupIn::ThisProcess;
    // The page open in the editor, checked as it stands there.
    QString openPage;
    QByteArray openPageText;
};

struct Result
{
    QString folder;            // resolved
    QList<FileFindings> files; // in the order of their relative names; only files with findings
    int pagesChecked = 0;
    QStringList unreadable; // absolute paths of pages that could not be read
    bool cancelled = false;
};

// Pages larger than this are not read (a note says so).
inline constexpr qint64 kMaxPageSize = 64 * 1024 * 1024;

// `progress` counts pages.
Result checkSite(const Options& options, PageCheck::Progress* progress = nullptr);

// Reads one page of the site as the editor would show it: a regular file inside `folder`,
// at most kMaxPageSize bytes. false when refused or unreadable; `tooLarge` says why.
bool readSitePage(const QString& path, const QString& folder, QByteArray& utf8,
                  bool* tooLarge = nullptr);

} // namespace SiteCheck
