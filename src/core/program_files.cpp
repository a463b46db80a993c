#include "core/program_files.h"

#include "core/file_names.h"

namespace {
QString& overrideFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString programFilesFolder()
{
    const QString& folder = overrideFolder();
    return folder.isEmpty() ? executableFolder() : folder;
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
