#include "core/program_files.h"

#include "core/file_names.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString& overrideFolder()
{
    static QString folder;
    return folder;
}

// Any one of the shipped files beside the executable marks a build tree (or a copy run from
// one folder); a partly deleted tree then still reports its own paths as missing.
bool holdsProgramFiles(const QString& folder)
{
    for (const char* name : {"version.txt", "readme.txt", "help", "Templates"}) {
        if (QFileInfo::exists(folder + QLatin1String(name)))
            return true;
    }
    return false;
}
} // namespace

QString programFilesFolder()
{
    const QString& folder = overrideFolder();
    if (!folder.isEmpty())
        return folder;
    const QString beside = executableFolder();
    if (holdsProgramFiles(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(beside + QStringLiteral("../share/vorlane")) + QLatin1Char('/');
    return QFileInfo(installed).isDir() ? installed : beside;
}

void setProgramFilesFolder(const QString& folder)
{
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    overrideFolder() = f;
}

QString helpFolder()
{
    return programFilesFolder() + QStringLiteral("help/");
}

QString templatesFolder()
{
    return programFilesFolder() + QStringLiteral("Templates/");
}
