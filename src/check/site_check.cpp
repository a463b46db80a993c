#include "check/site_check.h"

#include "check/markup_child.h"
#include "core/document_codec.h"
#include "core/site_folder.h"
#include "core/tag_lexer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace SiteCheck {

using PageCheck::Kind;
using PageCheck::LocalLink;

namespace {

enum class FileKind { Page, Picture, Style, Other };

struct SiteFile
{
    QString path;
    QString relative;
    FileKind kind = FileKind::Other;
};

FileKind kindOf(const QString& name)
{
    if (isPageFile(name))
        return FileKind::Page;
    static const QSet<QString> pictures = {
        QStringLiteral("gif"),  QStringLiteral("jpg"),  QStringLiteral("jpeg"),
        QStringLiteral("png"),  QStringLiteral("bmp"),  QStringLiteral("ico"),
        QStringLiteral("svg"),  QStringLiteral("webp"), QStringLiteral("tif"),
        QStringLiteral("tiff"), QStringLiteral("avif")};
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (pictures.contains(suffix))
        return FileKind::Picture;
    if (suffix == QLatin1String("css"))
        return FileKind::Style;
    return FileKind::Other;
}

// The site's files: regular files only, names starting with "." skipped, and no symbolic link
// followed, so a linked folder (perhaps leading out, or back in a loop) is never entered.
void walk(const QString& folder, const QString& relative, QList<SiteFile>& out,
          const std::atomic<bool>* stop)
{
    if (stop && stop->load())
        return;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(QLatin1Char('.')))
            continue;
        if (entry.isSymLink())
            continue;
        const QString inside = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        if (entry.isDir())
            walk(entry.absoluteFilePath(), inside, out, stop);
        else if (entry.isFile())
            out.append({entry.absoluteFilePath(), inside, kindOf(name)});
    }
}

// 1-based line and column (in characters) of a byte offset.
void place(Finding& f, QByteArrayView text)
{
    if (f.start < 0)
        return;
    const qsizetype at = qMin(f.start, text.size());
    const char* data = text.data();
    f.line = 1 + int(std::count(data, data + at, '\n'));
    qsizetype lineStart = at;
    while (lineStart > 0 && data[lineStart - 1] != '\n')
        --lineStart;
    f.column = 1 + int(QString::fromUtf8(text.sliced(lineStart, at - lineStart)).size());
}

Finding at(Kind kind, qsizetype start, qsizetype length, const QString& message,
           QByteArrayView text)
{
    Finding f;
    f.kind = kind;
    f.start = start;
    f.length = length;
    f.message = message;
    place(f, text);
    return f;
}

// Every #name a page defines (A NAME, any ID): a name given twice is a finding, since a link
// to it can only ever reach the first.
QList<std::pair<QString, Finding>> twiceDefinedNames(QByteArrayView text)
{
    QList<std::pair<QString, Finding>> findings;
    QHash<QByteArray, qsizetype> first;
    forEachTag(text, [&](const LexedTag& tag) {
        if (tag.closing)
            return true;
        const bool anchor = sameTagName(tag.name, QByteArrayView("A"));
        QByteArray inThisTag; // NAME and ID of one element may (and should) agree
        for (const TagAttribute& a : tag.attributes) {
            if (a.valueStart < 0 || !(sameTagName(a.name, QByteArrayView("ID")) ||
                                      (anchor && sameTagName(a.name, QByteArrayView("NAME")))))
                continue;
            const QByteArray name = a.value.toByteArray().trimmed();
            if (name.isEmpty() || name == inThisTag)
                continue;
            inThisTag = name;
            const auto known = first.constFind(name);
            if (known == first.cend()) {
                first.insert(name, a.valueStart);
                continue;
            }
            Finding earlier;
            earlier.start = known.value();
            place(earlier, text);
            findings.append({QString::fromUtf8(name),
                             at(Kind::Error, a.valueStart, a.value.size(),
                                QStringLiteral("#%1 is defined twice in this page (first on line "
                                               "%2): links to it reach only the first")
                                    .arg(QString::fromUtf8(name))
                                    .arg(earlier.line),
                                text)});
        }
        return true;
    });
    return findings;
}

// Files a style sheet or a STYLE names with url(...), for pictures in use.
void styleReferences(QByteArrayView text, const QString& folder, QSet<QString>& used)
{
    if (!text.contains(QByteArrayView("url(")) && !text.contains(QByteArrayView("URL(")))
        return;
    static const QRegularExpression url(QStringLiteral("url\\(\\s*['\"]?([^'\")]+)"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString decoded = QString::fromUtf8(text);
    for (auto it = url.globalMatch(decoded); it.hasNext();) {
        QString value = it.next().captured(1).trimmed();
        if (const qsizetype cut = value.indexOf(QRegularExpression(QStringLiteral("[?#]")));
            cut >= 0)
            value.truncate(cut);
        if (value.isEmpty() || value.contains(QLatin1Char(':')) ||
            value.startsWith(QLatin1Char('/')))
            continue;
        used.insert(
            QDir::cleanPath(folder + QLatin1Char('/') + QUrl::fromPercentEncoding(value.toUtf8())));
    }
}

struct PageWork
{
    QList<Finding> findings;
    QList<LocalLink> links;
    QSet<QString> styleUses;
    bool read = false;
    bool tooLarge = false;
};

// Index pages in the order servers usually look for them; -1 for any other name.
int indexRank(const QString& name)
{
    static const char* const names[] = {"index.html", "index.htm", "default.htm"};
    for (int i = 0; i < 3; ++i)
        if (name.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool isIndexName(const QString& name)
{
    return indexRank(name) >= 0;
}

} // namespace

bool readSitePage(const QString& path, const QString& folder, QByteArray& utf8, bool* tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    utf8.clear();
    const std::unique_ptr<QFile> file = openInsideSite(path, folder);
    if (!file)
        return false;
    if (file->size() > kMaxPageSize) {
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    // Never more than the limit, even from a file that grows while it is read.
    QByteArray bytes = file->read(kMaxPageSize + 1);
    if (bytes.size() > kMaxPageSize) {
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    if (file->error() != QFileDevice::NoError)
        return false;
    utf8 = decodeDocument(std::move(bytes)).utf8;
    return true;
}

Result checkSite(const Options& options, PageCheck::Progress* progress)
{
    Result result;
    const QString root = QFileInfo(options.folder).canonicalFilePath();
    result.folder = root;
    if (root.isEmpty())
        return result;
    const std::atomic<bool>* stop = progress ? &progress->stop : nullptr;

    QList<SiteFile> files;
    walk(root, QString(), files, stop);
    std::vector<qsizetype> pages;
    for (qsizetype i = 0; i < files.size(); ++i)
        if (files[i].kind == FileKind::Page)
            pages.push_back(i);
    if (progress) {
        progress->total.store(qint64(pages.size()));
        progress->done.store(0);
    }
    const QString openPage =
        options.openPage.isEmpty() ? QString() : QFileInfo(options.openPage).canonicalFilePath();

    // Every page on its own, on all cores.
    std::vector<PageWork> work(pages.size());
    std::atomic<size_t> next{0};
    const auto checkPages = [&] {
        // Each thread lists a folder once for all its pages' links.
        PageCheck::FolderListings listings;
        std::unique_ptr<PageCheck::MarkupChildSession> child;
        if (options.markupIn == PageCheck::MarkupIn::ChildProcess)
            child = std::make_unique<PageCheck::MarkupChildSession>();
        for (size_t n; (n = next.fetch_add(1)) < pages.size();) {
            if (stop && stop->load())
                return;
            const SiteFile& file = files.at(pages[n]); // shared: read only
            PageWork& w = work[n];
            QByteArray text;
            if (!openPage.isEmpty() && file.path == openPage) {
                text = options.openPageText;
                w.read = true;
            } else {
                w.read = readSitePage(file.path, root, text, &w.tooLarge);
            }
            if (w.read) {
                QList<Finding> markup =
                    child ? child->check(text, stop) : PageCheck::checkMarkup(text);
                w.findings = PageCheck::mergeFindings(
                    std::move(markup),
                    PageCheck::checkLinks(text, file.path, nullptr, root, &w.links, &listings));
                // Tidy warns of a name given twice; it is an error here, where links count,
                // and said once.
                QList<Finding> twice;
                for (const auto& [name, finding] : twiceDefinedNames(text)) {
                    const QString tidySays =
                        QStringLiteral("anchor \"%1\" already defined").arg(name);
                    w.findings.removeIf([&](const Finding& f) {
                        return f.kind == Kind::Warning && f.line == finding.line &&
                               f.message.endsWith(tidySays);
                    });
                    twice.append(finding);
                }
                for (const LocalLink& link : std::as_const(w.links))
                    if (!link.reported && !liesInside(link.path, root))
                        w.findings.append(
                            at(Kind::Error, link.start, link.length,
                               QStringLiteral("%1 leads out of the site folder: it will not work "
                                              "once the site is up")
                                   .arg(QString::fromUtf8(text.sliced(link.start, link.length))),
                               text));
                w.findings = PageCheck::mergeFindings(std::move(w.findings), twice);
                styleReferences(text, QFileInfo(file.path).absolutePath(), w.styleUses);
            }
            if (progress)
                progress->done.fetch_add(1);
        }
    };
    const int threads = int(
        qMin<size_t>(size_t(qMax(1, QThread::idealThreadCount())), qMax<size_t>(1, pages.size())));
    std::vector<std::unique_ptr<QThread>> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back(QThread::create(checkPages));
        // Tidy's parser recurses once per nesting level.
        running.back()->setStackSize(PageCheck::kCheckStackBytes);
        running.back()->start();
    }
    for (const auto& thread : running)
        thread->wait();
    if (stop && stop->load()) {
        result.cancelled = true;
        return result;
    }

    // What only the whole site shows.
    QHash<QString, qsizetype> pageIndex; // path -> position in `pages`
    QHash<QString, QString> folderIndex; // folder -> its index page
    for (size_t n = 0; n < pages.size(); ++n) {
        const SiteFile& file = files[pages[n]];
        pageIndex.insert(file.path, qsizetype(n));
        const QFileInfo info(file.path);
        if (isIndexName(info.fileName())) {
            const QString folder = info.absolutePath();
            const QString known = folderIndex.value(folder);
            if (known.isEmpty() ||
                indexRank(info.fileName()) < indexRank(QFileInfo(known).fileName()))
                folderIndex.insert(folder, file.path);
        }
    }
    QSet<QString> used;
    std::vector<std::vector<qsizetype>> linksTo(pages.size());
    std::vector<int> linkedFromOthers(pages.size(), 0);
    for (size_t n = 0; n < pages.size(); ++n) {
        for (const LocalLink& link : std::as_const(work[n].links)) {
            used.insert(link.path);
            QString target = link.path;
            if (!pageIndex.contains(target))
                target = folderIndex.value(target);
            const auto to = pageIndex.constFind(target);
            if (to == pageIndex.cend())
                continue;
            linksTo[n].push_back(to.value());
            if (size_t(to.value()) != n)
                ++linkedFromOthers[size_t(to.value())];
        }
        used.unite(work[n].styleUses);
    }
    for (const SiteFile& file : std::as_const(files)) {
        if (file.kind != FileKind::Style)
            continue;
        QByteArray text;
        if (readSitePage(file.path, root, text))
            styleReferences(text, QFileInfo(file.path).absolutePath(), used);
    }

    std::vector<bool> reached(pages.size(), false);
    const QString home = folderIndex.value(root);
    if (!home.isEmpty()) {
        std::vector<qsizetype> queue = {pageIndex.value(home)};
        reached[size_t(queue.front())] = true;
        while (!queue.empty()) {
            const qsizetype from = queue.back();
            queue.pop_back();
            for (const qsizetype to : linksTo[size_t(from)])
                if (!reached[size_t(to)]) {
                    reached[size_t(to)] = true;
                    queue.push_back(to);
                }
        }
    }
    const QString homeName = home.isEmpty() ? QString() : QDir(root).relativeFilePath(home);

    QHash<QString, qsizetype> workOf;
    for (size_t n = 0; n < pages.size(); ++n)
        workOf.insert(files[pages[n]].path, qsizetype(n));
    for (const SiteFile& file : std::as_const(files)) {
        FileFindings out{file.path, file.relative, {}};
        if (file.kind == FileKind::Page) {
            const size_t n = size_t(workOf.value(file.path));
            const PageWork& w = work[n];
            if (!w.read) {
                if (w.tooLarge) {
                    Finding f;
                    f.kind = Kind::Note;
                    f.message = QStringLiteral("the page is larger than %1 MB: it was not checked")
                                    .arg(kMaxPageSize / (1024 * 1024));
                    out.findings.append(f);
                } else {
                    result.unreadable.append(file.path);
                    continue;
                }
            } else {
                ++result.pagesChecked;
            }
            const bool orphan = home.isEmpty() ? linkedFromOthers[n] == 0 : !reached[n];
            if (orphan && !(home.isEmpty() && isIndexName(QFileInfo(file.path).fileName()))) {
                Finding f;
                f.kind = Kind::Warning;
                f.message =
                    home.isEmpty()
                        ? QStringLiteral("orphan page: no other page links to it")
                        : QStringLiteral("orphan page: no link leads to it from %1").arg(homeName);
                out.findings.prepend(f);
            }
            out.findings += w.findings;
        } else if (file.kind == FileKind::Picture && !used.contains(file.path)) {
            Finding f;
            f.kind = Kind::Warning;
            f.message = QStringLiteral("no page uses this picture");
            out.findings.append(f);
        }
        if (!out.findings.isEmpty())
            result.files.append(std::move(out));
    }
    return result;
}

} // namespace SiteCheck
