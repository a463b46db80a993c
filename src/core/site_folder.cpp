#include "core/site_folder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString resolved(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

bool liesInside(const QString& path, const QString& folder)
{
    if (folder.isEmpty() || path.isEmpty())
        return false;
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return path.startsWith(prefix);
}

bool holdsIndexPage(const QString& folder)
{
    static const QStringList names = {QStringLiteral("index.htm"), QStringLiteral("index.html"),
                                      QStringLiteral("default.htm")};
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        for (const QString& name : names)
            if (entry.compare(name, Qt::CaseInsensitive) == 0 &&
                QFileInfo(dir.filePath(entry)).isFile())
                return true;
    return false;
}

QString siteFolderFor(const QString& pagePath, const QString& chosenSite, const QString& home)
{
    const QString chosen = chosenSite.isEmpty() ? QString() : resolved(chosenSite);
    if (pagePath.isEmpty())
        return chosen;
    const QString page = resolved(pagePath);
    if (!chosen.isEmpty() && liesInside(page, chosen))
        return chosen;
    const QString pageFolder = QFileInfo(page).absolutePath();
    const QString homeFolder = resolved(home.isEmpty() ? QDir::homePath() : home);
    QString site = pageFolder;
    for (QString folder = pageFolder; liesInside(folder, homeFolder) && folder != homeFolder;
         folder = QFileInfo(folder).absolutePath()) {
        if (holdsIndexPage(folder))
            site = folder;
    }
    return site;
}
