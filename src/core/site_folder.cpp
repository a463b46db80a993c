#include "core/site_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString resolved(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Whether `path`, inside `folder`, is reached through no name starting with ".".
bool visibleBelow(const QString& path, const QString& folder)
{
    const QStringList names = path.mid(folder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::none_of(names.begin(), names.end(),
                        [](const QString& name) { return name.startsWith(QLatin1Char('.')); });
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

bool isPageFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
           suffix == QLatin1String("shtml") || suffix == QLatin1String("xhtml");
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

std::unique_ptr<QFile> openInsideSite(const QString& path, const QString& siteFolder)
{
    if (siteFolder.isEmpty() || !QDir::isAbsolutePath(path))
        return nullptr;
    // The name as asked, and the file it leads to once links are followed: both must stay in.
    const QString asked = QDir::cleanPath(path);
    const QString target = QFileInfo(asked).canonicalFilePath();
    if (!liesInside(asked, siteFolder) || !visibleBelow(asked, siteFolder) ||
        !liesInside(target, siteFolder) || !visibleBelow(target, siteFolder))
        return nullptr;
    // Not following a link swapped in since, and not waiting for a FIFO's writer.
    const int fd = ::open(QFile::encodeName(target).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st;
    auto file = std::make_unique<QFile>();
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}
