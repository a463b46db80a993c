#include "site/link_rename.h"

#include "core/app_error.h"
#include "core/document_codec.h"
#include "core/document_file.h"
#include "core/site_folder.h"
#include "core/tag_lexer.h"
#include "site/find_in_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// The attributes whose values name a file, as browsers read them.
bool namesAFile(QByteArrayView attribute)
{
    static const char* const kNames[] = {"HREF",     "SRC",    "BACKGROUND", "CODE",
                                         "CODEBASE", "ACTION", "USEMAP",     "LOWSRC"};
    for (const char* name : kNames)
        if (sameTagName(attribute, QByteArrayView(name)))
            return true;
    return false;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

QString cleaned(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// The path with its folder resolved and its own name kept, so a link is seen as a link.
QString withResolvedFolder(const QString& path)
{
    const QFileInfo info(QDir::cleanPath(path));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty() || info.fileName().isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return folder == QLatin1String("/") ? folder + info.fileName()
                                        : folder + QLatin1Char('/') + info.fileName();
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

bool hiddenBelow(const QString& path, const QString& site)
{
    const QStringList names = path.mid(site.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(names.begin(), names.end(),
                       [](const QString& n) { return n.startsWith(QLatin1Char('.')); });
}

[[noreturn]] void refuse(const QString& why)
{
    throw AppError(QStringLiteral("Cannot rename: %1").arg(why));
}

} // namespace

int RenamePlan::changeCount() const
{
    return int(std::count_if(changes.begin(), changes.end(),
                             [](const LinkChange& c) { return !c.caseOnly; }));
}

QString movedPath(const QString& target, const QString& from, const QString& to)
{
    if (target == from)
        return to;
    if (target.startsWith(from + QLatin1Char('/')))
        return to + target.mid(from.size());
    return target;
}

QString renamedLink(const QString& value, const QString& base, const QString& newBase,
                    const QString& site, const QString& from, const QString& to, bool* caseOnly)
{
    if (caseOnly)
        *caseOnly = false;
    // Blanks around a value are not part of the address; they stay where they are.
    qsizetype first = 0, last = value.size();
    while (first < last && isBlank(value.at(first)))
        ++first;
    while (last > first && isBlank(value.at(last - 1)))
        --last;
    const QString link = value.mid(first, last - first);
    if (link.isEmpty() || link.startsWith(QLatin1Char('#')) || link.startsWith(QLatin1Char('?')))
        return QString();

    // The address's form: relative, rooted at the site, or a file: URL.
    enum class Form { Relative, Rooted, FileUrl } form = Form::Relative;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]*:"));
    qsizetype pathStart = 0;
    if (const auto m = scheme.match(link); m.hasMatch()) {
        if (m.captured().compare(QLatin1String("file:"), Qt::CaseInsensitive) != 0)
            return QString(); // the web, mail, scripts: not a file of the site
        form = Form::FileUrl;
        pathStart = m.capturedLength();
        if (link.mid(pathStart, 2) == QLatin1String("//")) {
            const qsizetype slash = link.indexOf(QLatin1Char('/'), pathStart + 2);
            if (slash < 0)
                return QString();
            const QString host = link.mid(pathStart + 2, slash - pathStart - 2);
            if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive))
                return QString(); // another machine's file
            pathStart = slash;
        }
    } else if (link.startsWith(QLatin1String("//"))) {
        return QString(); // another server
    } else if (link.startsWith(QLatin1Char('/'))) {
        form = Form::Rooted;
    }
    qsizetype pathEnd = link.size();
    for (QChar stop : {QLatin1Char('?'), QLatin1Char('#')}) {
        const qsizetype at = link.indexOf(stop, pathStart);
        if (at >= 0 && at < pathEnd)
            pathEnd = at;
    }
    const QString written = link.mid(pathStart, pathEnd - pathStart);
    if (written.isEmpty())
        return QString();
    const bool escaped = written.contains(QLatin1Char('%'));
    const QString path = escaped ? QUrl::fromPercentEncoding(written.toUtf8()) : written;
    const bool endsInSlash = path.endsWith(QLatin1Char('/'));

    QString target;
    switch (form) {
    case Form::FileUrl:
        target = QDir::cleanPath(path);
        break;
    case Form::Rooted:
        target = QDir::cleanPath(site + path);
        break;
    case Form::Relative:
        target = QDir::cleanPath(base + QLatin1Char('/') + path);
        break;
    }
    const QString moved = movedPath(target, from, to);
    if (moved == target) {
        // Reaching the entry only by another letter case: a broken link, shown, not changed.
        const bool sameLetters = target.compare(from, Qt::CaseInsensitive) == 0 ||
                                 target.startsWith(from + QLatin1Char('/'), Qt::CaseInsensitive);
        if (sameLetters && !QFileInfo::exists(target)) {
            if (caseOnly)
                *caseOnly = true;
            return value;
        }
        if (form != Form::Relative || base == newBase)
            return QString();
    }

    QString newPath;
    switch (form) {
    case Form::FileUrl:
        newPath = moved;
        break;
    case Form::Rooted:
        newPath = QLatin1Char('/') + QDir(site).relativeFilePath(moved);
        break;
    case Form::Relative:
        newPath = QDir(newBase).relativeFilePath(moved);
        break;
    }
    if (newPath.isEmpty() || newPath == QLatin1String("."))
        newPath = QStringLiteral("./");
    if (endsInSlash && !newPath.endsWith(QLatin1Char('/')))
        newPath += QLatin1Char('/');
    if (escaped)
        newPath = QString::fromLatin1(QUrl::toPercentEncoding(newPath, "/-._~!$&'()*+,;=:@"));
    const QString newLink = link.left(pathStart) + newPath + link.mid(pathEnd);
    if (newLink == link)
        return QString();
    return value.left(first) + newLink + value.mid(last);
}

void checkRename(const QString& site, const QString& from, const QString& to)
{
    if (site.isEmpty())
        refuse(QStringLiteral("there is no site folder."));
    const QFileInfo source(from);
    if (source.isSymLink() || !(source.isFile() || source.isDir()))
        refuse(QStringLiteral("%1 is not a file or folder of the site.").arg(from));
    if (!liesInside(from, site) || from == site || hiddenBelow(from, site))
        refuse(QStringLiteral("%1 is not inside the site folder %2.").arg(from, site));
    const QString toFolder = folderOf(to);
    const QString realToFolder = QFileInfo(toFolder).canonicalFilePath();
    if (realToFolder.isEmpty() || !liesInside(realToFolder, site) || !liesInside(to, site) ||
        hiddenBelow(to, site))
        refuse(QStringLiteral("%1 is not inside the site folder %2.").arg(to, site));
    if (to == from || to.startsWith(from + QLatin1Char('/')))
        refuse(QStringLiteral("%1 cannot be moved into itself.").arg(from));
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        refuse(QStringLiteral("%1 already exists.").arg(to));
}

RenamePlan planRename(const QString& site, const QString& from, const QString& to,
                      const EditorPage& editor, const std::atomic_bool* cancel)
{
    RenamePlan plan;
    plan.site = cleaned(site);
    plan.from = withResolvedFolder(from);
    plan.to = withResolvedFolder(to);
    checkRename(plan.site, plan.from, plan.to);

    FindInFilesScope scope;
    scope.folder = plan.site;
    scope.namePatterns = splitNamePatterns(QStringLiteral("*.htm;*.html;*.shtml;*.xhtml"));
    const QStringList pages = filesToSearch(scope, cancel);
    const QString editorPage = editor.path.isEmpty() ? QString() : cleaned(editor.path);
    for (const QString& page : pages) {
        if (cancel && cancel->load())
            break;
        QByteArray utf8;
        if (page == editorPage) {
            utf8 = editor.utf8;
        } else {
            QByteArray bytes;
            if (readPageForSearch(page, bytes) != PageRead::Ok) {
                plan.skipped << page;
                continue;
            }
            utf8 = decodeDocument(std::move(bytes)).utf8;
        }
        ++plan.pagesSearched;
        const QString base = folderOf(page);
        const QString newBase = folderOf(movedPath(page, plan.from, plan.to));
        int line = 1;
        qsizetype counted = 0;
        QString codeBase, newCodeBase;
        forEachTag(utf8, [&](const LexedTag& tag) {
            if (tag.closing)
                return true;
            const bool applet = sameTagName(tag.name, "APPLET");
            if (applet) {
                // An applet's CODE is found below its CODEBASE.
                codeBase = base;
                newCodeBase = newBase;
                if (const TagAttribute* cb = tag.attribute("CODEBASE"); cb && cb->valueStart >= 0) {
                    const QString v = QString::fromUtf8(cb->value).trimmed();
                    if (!v.isEmpty() && !v.contains(QLatin1Char(':'))) {
                        const QString old =
                            QDir::cleanPath((v.startsWith(QLatin1Char('/')) ? plan.site : base) +
                                            QLatin1Char('/') + v);
                        codeBase = old;
                        newCodeBase = movedPath(old, plan.from, plan.to);
                    }
                }
            }
            for (const TagAttribute& attribute : tag.attributes) {
                if (attribute.valueStart < 0 || !namesAFile(attribute.name))
                    continue;
                const bool code = applet && sameTagName(attribute.name, "CODE");
                const QString value = QString::fromUtf8(attribute.value);
                bool caseOnly = false;
                const QString newText =
                    renamedLink(value, code ? codeBase : base, code ? newCodeBase : newBase,
                                plan.site, plan.from, plan.to, &caseOnly);
                if (newText.isNull())
                    continue;
                line += int(std::count(utf8.constBegin() + counted,
                                       utf8.constBegin() + attribute.valueStart, '\n'));
                counted = attribute.valueStart;
                LinkChange change;
                change.page = page;
                change.line = line;
                change.from = long(attribute.valueStart);
                change.to = long(attribute.valueStart + attribute.value.size());
                change.oldText = value;
                change.newText = newText;
                change.caseOnly = caseOnly;
                plan.changes << change;
            }
            return true;
        });
    }
    return plan;
}

QList<LinkChange> changesFor(const RenamePlan& plan, const QString& page)
{
    QList<LinkChange> out;
    for (const LinkChange& c : plan.changes)
        if (!c.caseOnly && c.page == page)
            out << c;
    return out;
}

void applyRename(const RenamePlan& plan, const QString& editorPage, const PageWriter& write)
{
    checkRename(plan.site, plan.from, plan.to);
    const PageWriter writer = write ? write : PageWriter(&writePageFile);

    // Every page read again and its new bytes made before anything is written.
    struct PageWrite
    {
        QString path;
        QByteArray before;
        QByteArray after;
    };
    QList<PageWrite> writes;
    QStringList order;
    for (const LinkChange& c : plan.changes)
        if (!c.caseOnly && c.page != editorPage && !order.contains(c.page))
            order << c.page;
    for (const QString& page : order) {
        QByteArray bytes;
        if (readPageForSearch(page, bytes) != PageRead::Ok)
            throw AppError(QStringLiteral("Nothing was renamed: %1 cannot be read.").arg(page));
        const QByteArray utf8 = decodeDocument(bytes).utf8;
        QList<FindInFilesMatch> matches;
        for (const LinkChange& c : changesFor(plan, page)) {
            if (QString::fromUtf8(utf8.mid(c.from, c.to - c.from)) != c.oldText)
                throw AppError(
                    QStringLiteral("Nothing was renamed: %1 changed since the links were listed.")
                        .arg(page));
            FindInFilesMatch m;
            m.from = c.from;
            m.to = c.to;
            m.replacement = c.newText;
            matches << m;
        }
        if (::access(QFile::encodeName(page).constData(), W_OK) != 0)
            throw AppError(QStringLiteral("Nothing was renamed: %1 cannot be written (%2).")
                               .arg(page, QString::fromLocal8Bit(std::strerror(errno))));
        writes.append({page, bytes, replaceInFileBytes(bytes, matches)});
    }

    qsizetype written = 0;
    const auto rollBack = [&] {
        for (qsizetype i = written - 1; i >= 0; --i) {
            try {
                writer(writes.at(i).path, writes.at(i).before);
            } catch (const AppError&) {
                // Nothing more can be done for this page; the others still get theirs back.
            }
        }
    };
    for (; written < writes.size(); ++written) {
        try {
            writer(writes.at(written).path, writes.at(written).after);
        } catch (const AppError& e) {
            rollBack();
            throw AppError(QStringLiteral("Nothing was renamed: %1 cannot be written (%2).")
                               .arg(writes.at(written).path, e.message()));
        }
    }
    if (!QDir().rename(plan.from, plan.to)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        rollBack();
        throw AppError(
            QStringLiteral("Nothing was renamed: %1 cannot be renamed (%2).").arg(plan.from, why));
    }
}
