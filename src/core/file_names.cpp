#include "core/file_names.h"

#include <QCoreApplication>
#include <QDir>

namespace {
int lastSeparator(const QString& path)
{
#ifdef Q_OS_WIN
    int i = path.lastIndexOf(QLatin1Char('\\'));
    i = std::max<int>(i, path.lastIndexOf(QLatin1Char('/')));
    return std::max<int>(i, path.lastIndexOf(QLatin1Char(':')));
#else
    return path.lastIndexOf(QLatin1Char('/'));
#endif
}
} // namespace

QString folderPart(const QString& path)
{
    return path.left(lastSeparator(path) + 1);
}

QString fileNamePart(const QString& path)
{
    return path.mid(lastSeparator(path) + 1);
}

bool hasExtension(const QString& path)
{
    return fileNamePart(path).contains(QLatin1Char('.'));
}

QString folderForDialog(const QString& path)
{
    QString folder = folderPart(path);
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString executableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString pathKey(const QString& path)
{
    return kPathCase == Qt::CaseSensitive ? path : asciiLower(path);
}

QStringList filesEndingWith(const QString& folder, const QString& end, QDir::SortFlags order)
{
    QStringList names = QDir(folder).entryList(QDir::Files, order);
    names.removeIf(
        [&end](const QString& name) { return !name.endsWith(end, Qt::CaseInsensitive); });
    return names;
}

QString asciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    }
    return out;
}

QString absoluteFileName(const QString& path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    QDir base = QDir::current();
    QStringList kept;
    for (const QString& part : QDir::fromNativeSeparators(path).split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") && kept.isEmpty())
            base.cdUp(); // stays put at the root
        else
            kept << part;
    }
    return kept.isEmpty() ? base.path() : base.filePath(kept.join(QLatin1Char('/')));
}
