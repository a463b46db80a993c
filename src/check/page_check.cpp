#include "check/page_check.h"

#include "check/tidy_document.h"
#include "core/app_error.h"
#include "core/document_file.h"
#include "core/tag_lexer.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <cstring>
#ifdef Q_OS_UNIX
#include <dirent.h>
#endif
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace PageCheck {

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::Warning:
        return QStringLiteral("warning");
    case Kind::Link:
        break;
    }
    return QStringLiteral("link");
}

QString formatFinding(const QString& file, const Finding& finding)
{
    return QStringLiteral("%1:%2:%3: %4: %5")
        .arg(file)
        .arg(qMax(finding.line, 1))
        .arg(qMax(finding.column, 1))
        .arg(kindName(finding.kind), finding.message);
}

namespace {

// ---- places ----

// Lines and columns of the checked bytes: columns count characters, not bytes.
class LineIndex
{
public:
    explicit LineIndex(QByteArrayView text) : text_(text)
    {
        starts_.push_back(0);
        const char* data = text.data();
        const char* end = data + text.size();
        for (const char* p = data; (p = static_cast<const char*>(memchr(p, '\n', end - p)));)
            starts_.push_back(++p - data);
    }

    // 1-based line and column of a byte offset.
    std::pair<int, int> place(qsizetype offset) const
    {
        const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
        const qsizetype lineStart = *(it - 1);
        int column = 1;
        for (qsizetype i = lineStart; i < offset && i < text_.size(); ++i)
            if ((uchar(text_[i]) & 0xC0) != 0x80)
                ++column;
        return {int(it - starts_.begin()), column};
    }

    // Byte offset of a 1-based line and column; the line's end when the column is past it.
    qsizetype offset(int line, int column) const
    {
        if (line < 1)
            return 0;
        if (size_t(line) > starts_.size())
            return text_.size();
        qsizetype i = starts_[line - 1];
        for (int c = 1; i < text_.size() && text_[i] != '\n';) {
            if (c == column)
                break;
            ++i;
            while (i < text_.size() && (uchar(text_[i]) & 0xC0) == 0x80)
                ++i;
            ++c;
        }
        return i;
    }

private:
    QByteArrayView text_;
    std::vector<qsizetype> starts_;
};

void place(Finding& finding, const LineIndex& lines)
{
    if (finding.start < 0)
        return;
    const auto [line, column] = lines.place(finding.start);
    finding.line = line;
    finding.column = column;
}

bool sameName(QByteArrayView a, const char* upper)
{
    return sameTagName(a, QByteArrayView(upper));
}

// Character references in attribute values: the file name behind "a&amp;b.htm" is "a&b.htm".
QString decodeValue(QByteArrayView raw)
{
    QString value = QString::fromUtf8(raw);
    if (!value.contains(QLatin1Char('&')))
        return value;
    static const QRegularExpression reference(
        QStringLiteral("&(#[0-9]+|#[xX][0-9A-Fa-f]+|amp|lt|gt|quot|apos);?"));
    QString out;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(value); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(value).sliced(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        if (name == QLatin1String("amp"))
            out += QLatin1Char('&');
        else if (name == QLatin1String("lt"))
            out += QLatin1Char('<');
        else if (name == QLatin1String("gt"))
            out += QLatin1Char('>');
        else if (name == QLatin1String("quot"))
            out += QLatin1Char('"');
        else if (name == QLatin1String("apos"))
            out += QLatin1Char('\'');
        else {
            const bool hex =
                name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
            bool ok = false;
            const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            else
                out += m.captured(0);
        }
        last = m.capturedEnd();
    }
    out += QStringView(value).sliced(last);
    return out;
}

// Elements whose end tag may be left out, or that have none: they do not count as nesting.
bool nestsWithoutEndTag(QByteArrayView name)
{
    static const char* const names[] = {
        "AREA",   "BASE",    "BASEFONT", "BR",       "COL",   "EMBED", "FRAME",  "HR",     "IMG",
        "INPUT",  "ISINDEX", "LINK",     "META",     "PARAM", "WBR",   "SPACER", "SOURCE", "TRACK",
        "KEYGEN", "P",       "LI",       "DT",       "DD",    "TR",    "TD",     "TH",     "OPTION",
        "HTML",   "HEAD",    "BODY",     "COLGROUP", "THEAD", "TBODY", "TFOOT"};
    for (const char* n : names)
        if (sameName(name, n))
            return true;
    return false;
}

// Where the nesting first gets deeper than kMaxNesting, or -1.
qsizetype tooDeepAt(QByteArrayView text)
{
    int depth = 0;
    qsizetype at = -1;
    forEachTag(text, [&](const LexedTag& tag) {
        if (nestsWithoutEndTag(tag.name))
            return true;
        if (tag.closing) {
            depth = qMax(0, depth - 1);
        } else if (++depth > kMaxNesting) {
            at = tag.start;
            return false;
        }
        return true;
    });
    return at;
}

// The length of the tag that starts at `start` (up to its ">"), or 0 when none starts there.
qsizetype tagLength(QByteArrayView text, qsizetype start)
{
    if (start < 0 || start >= text.size() || text[start] != '<')
        return 0;
    const qsizetype close = text.indexOf('>', start);
    if (close < 0 || close - start > 1000)
        return 0;
    return close - start + 1;
}

// ---- files on disk, looked up through cached folder listings ----

// A folder's entries by exact name and by lower-case name, read once per check: a web server
// on Linux matches names exactly, so a name that matches only without regard to case is a fault
// of its own, whatever file system this computer has.
// A name as the folder lists it. Most names are plain ASCII, which reads the same in every
// encoding, so the locale's decoder (several times slower) is only asked about the others.
QString fileNameOf(const char* name)
{
    const size_t length = std::strlen(name);
    for (size_t i = 0; i < length; ++i)
        if (uchar(name[i]) >= 0x80)
            return QFile::decodeName(QByteArray(name, qsizetype(length)));
    return QString::fromLatin1(name, qsizetype(length));
}

class SiteFiles
{
public:
    enum class Found { Exact, OtherCase, Missing };
    struct Lookup
    {
        Found found = Found::Missing;
        QString actualPath; // the path as it exists (differs from the one asked for in case only)
    };

    Lookup find(const QString& cleanAbsolutePath)
    {
        const qsizetype slash = cleanAbsolutePath.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return {};
        if (slash == 0 && cleanAbsolutePath.size() == 1)
            return {Found::Exact, cleanAbsolutePath};
        // Links mostly share a folder: the last one is kept at hand.
        const QStringView folderView = QStringView(cleanAbsolutePath).left(slash == 0 ? 1 : slash);
        if (!lastListing_ || folderView != lastFolder_) {
            QString folder = folderView.toString();
            Lookup parent = findFolder(folder); // may look up other folders on its way
            lastListing_ = parent.found == Found::Missing ? nullptr : &listingOf(parent.actualPath);
            lastFolder_ = std::move(folder);
            lastParent_ = std::move(parent);
        }
        const Lookup& parent = lastParent_;
        if (!lastListing_)
            return {};
        const Listing& listing = *lastListing_;
        if (!listing.readable)
            return {};
        const QString prefix = parent.actualPath.endsWith(QLatin1Char('/'))
                                   ? parent.actualPath
                                   : parent.actualPath + QLatin1Char('/');
        const QString name = cleanAbsolutePath.mid(slash + 1);
        if (listing.names.contains(name))
            return {parent.found, parent.found == Found::Exact ? cleanAbsolutePath : prefix + name};
        const QHash<QString, QString>& byLowerCase = lowerCaseNames(parent.actualPath);
        const auto other = byLowerCase.constFind(name.toLower());
        if (other != byLowerCase.cend())
            return {Found::OtherCase, prefix + other.value()};
        return {};
    }

private:
    struct Listing
    {
        bool readable = false;
        QSet<QString> names;
        // lower-case name -> exact name; made only when a name is not found as written
        std::optional<QHash<QString, QString>> byLowerCase;
    };

    // Folders are looked up once each; most links share a handful.
    Lookup findFolder(const QString& folder)
    {
        if (folder == QLatin1String("/"))
            return {Found::Exact, folder};
        const auto known = folders_.constFind(folder);
        if (known != folders_.cend())
            return known.value();
        return folders_.insert(folder, find(folder)).value();
    }

    Listing& listingOf(const QString& folder)
    {
        auto it = listings_.find(folder);
        if (it != listings_.end())
            return it->second;
        Listing listing;
        // Names only: no entry is asked about its kind, so listing costs one read of the folder.
        QStringList names;
#ifdef Q_OS_UNIX
        if (DIR* dir = opendir(QFile::encodeName(folder).constData())) {
            listing.readable = true;
            while (const dirent* entry = readdir(dir)) {
                const char* n = entry->d_name;
                if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                    continue;
                names.append(fileNameOf(n));
            }
            closedir(dir);
        }
#else
        QDirIterator entries(folder,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        listing.readable = QFileInfo(folder).isDir();
        while (entries.hasNext()) {
            entries.next();
            names.append(entries.fileName());
        }
#endif
        listing.names.reserve(names.size());
        for (const QString& name : std::as_const(names))
            listing.names.insert(name);
        return listings_.emplace(folder, std::move(listing)).first->second;
    }

    const QHash<QString, QString>& lowerCaseNames(const QString& folder)
    {
        Listing& listing = listingOf(folder);
        if (!listing.byLowerCase) {
            listing.byLowerCase.emplace();
            listing.byLowerCase->reserve(listing.names.size());
            for (const QString& name : std::as_const(listing.names))
                listing.byLowerCase->insert(name.toLower(), name);
        }
        return *listing.byLowerCase;
    }

    std::unordered_map<QString, Listing> listings_; // its values never move
    QHash<QString, Lookup> folders_;
    QString lastFolder_;
    Lookup lastParent_;
    Listing* lastListing_ = nullptr;
};

bool isHtmlFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
           suffix == QLatin1String("shtml") || suffix == QLatin1String("xhtml");
}

class LinkChecker
{
public:
    LinkChecker(QByteArrayView text, const QString& pageFile)
        : text_(text), pageFile_(QDir::cleanPath(QFileInfo(pageFile).absoluteFilePath())),
          folder_(QFileInfo(pageFile_).absolutePath())
    {
    }

    QList<Finding> run(Progress* progress)
    {
        const QList<LinkValue> links = linkValues(text_);
        qsizetype firstWeb = -1;
        int webCount = 0;
        QStringList schemes;
        qint64 base = progress ? progress->done.load() : 0;
        for (qsizetype i = 0; i < links.size(); ++i) {
            if (progress && (i & 255) == 0) {
                if (progress->stop.load())
                    break;
                progress->done.store(base +
                                     qint64(text_.size()) * i / qMax<qsizetype>(1, links.size()));
            }
            const LinkValue& link = links[i];
            const QString scheme = webScheme(link.value);
            if (!scheme.isEmpty()) {
                if (firstWeb < 0)
                    firstWeb = link.start;
                ++webCount;
                if (!schemes.contains(scheme))
                    schemes.append(scheme);
                continue;
            }
            check(link);
        }
        if (webCount > 0) {
            Finding summary;
            summary.kind = Kind::Link;
            summary.start = firstWeb;
            summary.message = (webCount == 1 ? QStringLiteral("%1 web address not checked (%2)")
                                             : QStringLiteral("%1 web addresses not checked (%2)"))
                                  .arg(webCount)
                                  .arg(schemes.join(QLatin1String(", ")));
            findings_.append(summary);
        }
        return findings_;
    }

private:
    // "http:", "mailto:", ... for addresses that leave this computer; empty otherwise.
    static QString webScheme(const QString& value)
    {
        if (value.startsWith(QLatin1String("//")))
            return QStringLiteral("//");
        // A scheme: a letter, then letters, digits, "+", "-" or "."; one letter is a drive.
        qsizetype i = 0;
        while (i < value.size() &&
               (value[i].isLetter() ||
                (i > 0 && (value[i].isDigit() || value[i] == QLatin1Char('+') ||
                           value[i] == QLatin1Char('-') || value[i] == QLatin1Char('.')))))
            ++i;
        if (i < 2 || i >= value.size() || value[i] != QLatin1Char(':'))
            return QString();
        const QString scheme = value.left(i).toLower();
        return scheme == QLatin1String("file") ? QString() : scheme + QLatin1Char(':');
    }

    void add(const LinkValue& link, const QString& message, bool failing = true)
    {
        Finding f;
        f.kind = Kind::Link;
        f.start = link.start;
        f.length = link.length;
        f.message = message;
        f.failing = failing;
        findings_.append(f);
    }

    // No "." or ".." step, no empty step, no trailing slash: nothing for cleanPath to do.
    static bool isPlainRelative(QStringView value)
    {
        if (value.startsWith(QLatin1Char('.')) || value.endsWith(QLatin1Char('/')))
            return false;
        for (qsizetype i = 1; i < value.size(); ++i)
            if (value[i - 1] == QLatin1Char('/') &&
                (value[i] == QLatin1Char('.') || value[i] == QLatin1Char('/')))
                return false;
        return true;
    }

    static bool isAbsoluteLocal(const QString& path)
    {
        const bool drive = path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter() &&
                           path[0].unicode() < 128;
        return drive || path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\'));
    }

    void check(const LinkValue& link)
    {
        QString value = link.value.trimmed();
        if (value.isEmpty())
            return;
        QString fragment;
        if (const qsizetype hash = value.indexOf(QLatin1Char('#')); hash >= 0) {
            fragment = QUrl::fromPercentEncoding(value.mid(hash + 1).toUtf8());
            value.truncate(hash);
        }
        if (const qsizetype query = value.indexOf(QLatin1Char('?')); query >= 0)
            value.truncate(query);
        if (link.isCode && !link.codebase.trimmed().isEmpty() && !isAbsoluteLocal(value)) {
            QString codebase = link.codebase.trimmed();
            if (!codebase.endsWith(QLatin1Char('/')))
                codebase += QLatin1Char('/');
            value = codebase + value;
        }

        // file: URLs work like paths; one that leaves the page's folder works only here.
        if (value.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(value);
            QString local = url.toLocalFile();
            if (local.isEmpty())
                local = QUrl::fromPercentEncoding(value.mid(5).toUtf8());
            if (isAbsoluteLocal(local)) {
                const QString clean = QDir::cleanPath(local);
                if (!(clean + QLatin1Char('/')).startsWith(folder_ + QLatin1Char('/'))) {
                    add(link,
                        QStringLiteral(
                            "%1 points outside the page's folder: it works only on this computer")
                            .arg(link.value.trimmed()));
                    return;
                }
                checkTarget(link, clean, QDir(folder_).relativeFilePath(clean), fragment);
                return;
            }
            value = local;
        } else if (isAbsoluteLocal(value)) {
            add(link, QStringLiteral("%1 is an absolute path: it works only on this computer")
                          .arg(link.value.trimmed()));
            return;
        } else if (value.contains(QLatin1Char('%'))) {
            value = QUrl::fromPercentEncoding(value.toUtf8());
        }
        value.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (value.isEmpty()) {
            checkFragment(link, pageFile_, fragment);
            return;
        }
        // Most links are plain names below the folder; only the others need tidying up.
        QString path;
        path.reserve(folder_.size() + 1 + value.size());
        path.append(folder_).append(QLatin1Char('/')).append(value);
        checkTarget(link, isPlainRelative(value) ? path : QDir::cleanPath(path), value, fragment);
    }

    void checkTarget(const LinkValue& link, const QString& path, const QString& written,
                     const QString& fragment)
    {
        const SiteFiles::Lookup found = files_.find(path);
        if (found.found == SiteFiles::Found::Missing) {
            add(link, QStringLiteral("%1 does not exist").arg(written));
            return;
        }
        if (found.found == SiteFiles::Found::OtherCase) {
            add(link, QStringLiteral("%1 exists as %2: a web server on Linux will not find it")
                          .arg(written, QDir(folder_).relativeFilePath(found.actualPath)));
            return;
        }
        if (!fragment.isEmpty() && QFileInfo(path).isFile())
            checkFragment(link, path, fragment);
    }

    void checkFragment(const LinkValue& link, const QString& target, const QString& fragment)
    {
        if (fragment.isEmpty())
            return;
        const bool thisPage = target == pageFile_;
        if (!thisPage && !isHtmlFile(target))
            return;
        auto it = anchors_.find(target);
        if (it == anchors_.end()) {
            QSet<QString> names;
            if (thisPage) {
                names = anchorNames(text_); // the text being edited, saved or not
            } else {
                try {
                    names = anchorNames(readDocumentFile(target).utf8);
                } catch (const AppError&) {
                    return; // an unreadable page: its anchors cannot be known
                }
            }
            it = anchors_.insert(target, names);
        }
        if (!it.value().contains(fragment))
            add(link, thisPage ? QStringLiteral("no anchor \"%1\" in this page").arg(fragment)
                               : QStringLiteral("no anchor \"%1\" in %2")
                                     .arg(fragment, QDir(folder_).relativeFilePath(target)));
    }

    QByteArrayView text_;
    QString pageFile_;
    QString folder_;
    SiteFiles files_;
    QHash<QString, QSet<QString>> anchors_;
    QList<Finding> findings_;
};

} // namespace

QList<LinkValue> linkValues(QByteArrayView utf8)
{
    QList<LinkValue> links;
    forEachTag(utf8, [&](const LexedTag& tag) {
        if (tag.closing)
            return true;
        QString codebase;
        for (const TagAttribute& a : tag.attributes)
            if (sameName(a.name, "CODEBASE"))
                codebase = decodeValue(a.value);
        for (const TagAttribute& a : tag.attributes) {
            const bool code = sameName(a.name, "CODE");
            if (a.valueStart < 0)
                continue;
            if (code || sameName(a.name, "HREF") || sameName(a.name, "SRC") ||
                sameName(a.name, "BACKGROUND") || sameName(a.name, "CODEBASE") ||
                sameName(a.name, "ACTION")) {
                LinkValue link;
                link.value = decodeValue(a.value);
                link.start = a.valueStart;
                link.length = a.value.size();
                link.isCode = code;
                if (code)
                    link.codebase = codebase;
                links.append(link);
            }
        }
        return true;
    });
    return links;
}

QSet<QString> anchorNames(QByteArrayView utf8)
{
    QSet<QString> names;
    forEachTag(utf8, [&](const LexedTag& tag) {
        if (tag.closing)
            return true;
        const bool anchor = sameName(tag.name, "A");
        for (const TagAttribute& a : tag.attributes)
            if (sameName(a.name, "ID") || (anchor && sameName(a.name, "NAME")))
                names.insert(decodeValue(a.value));
        return true;
    });
    return names;
}

namespace {
// Where "<!DOCTYPE" (any case) stands, or -1.
qsizetype doctypeAt(QByteArrayView utf8)
{
    for (qsizetype i = utf8.indexOf("<!"); i >= 0; i = utf8.indexOf("<!", i + 2))
        if (utf8.sliced(i + 2, qMin<qsizetype>(7, utf8.size() - i - 2))
                .compare(QByteArrayView("DOCTYPE"), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

bool declaresDoctype(QByteArrayView utf8)
{
    return doctypeAt(utf8) >= 0;
}

QList<Finding> checkMarkup(const QByteArray& utf8, Progress* progress)
{
    QList<Finding> findings;
    const LineIndex lines(utf8);
    if (const qsizetype at = tooDeepAt(utf8); at >= 0) {
        Finding f;
        f.kind = Kind::Error;
        f.start = at;
        f.length = tagLength(utf8, at);
        f.message = QStringLiteral("elements nest more than %1 deep here (tags left open?): the "
                                   "markup was not checked")
                        .arg(kMaxNesting);
        f.failing = true;
        place(f, lines);
        findings.append(f);
        return findings;
    }

    // A page that declares no document type is checked as HTML 3.2: Tidy reads the declaration
    // put in front of its copy, on the first line, so every other line keeps its number.
    static const QByteArray html32 = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">";
    const qsizetype doctype = doctypeAt(utf8);
    const bool declared = doctype >= 0;
    bool asHtml32 = !declared;
    if (declared) {
        const qsizetype close = utf8.indexOf('>', doctype);
        const qsizetype end = close < 0 ? utf8.size() : close;
        asHtml32 = utf8.mid(doctype, end - doctype).toUpper().contains("HTML 3.2");
    }
    const QByteArray input = declared ? utf8 : html32 + utf8;
    const int shift = declared ? 0 : int(html32.size());

    QString why;
    if (!TidyDocument::available(&why)) {
        Finding f;
        f.kind = Kind::Error;
        f.failing = true;
        f.message = QStringLiteral("the markup was not checked: %1").arg(why);
        findings.append(f);
        return findings;
    }
    TidyDocument tidy(asHtml32);
    std::atomic<qint64> unused{0};
    const QList<TidyDocument::Report> reports = tidy.parse(
        input, progress ? &progress->done : &unused, progress ? &progress->stop : nullptr);
    for (const TidyDocument::Report& r : reports) {
        Finding f;
        f.kind = r.level == TidyDocument::Level::Error ? Kind::Error : Kind::Warning;
        f.failing = f.kind == Kind::Error;
        f.message = r.message;
        if (r.line > 0) {
            const int column = r.line == 1 ? qMax(1, r.column - shift) : qMax(1, r.column);
            f.start = lines.offset(r.line, column);
            f.length = tagLength(utf8, f.start);
            place(f, lines);
        }
        findings.append(f);
    }
    return findings;
}

QList<Finding> checkLinks(const QByteArray& utf8, const QString& pageFile, Progress* progress)
{
    QList<Finding> findings;
    if (pageFile.isEmpty()) {
        Finding f;
        f.kind = Kind::Link;
        f.message = QStringLiteral("links not checked: the page has not been saved yet, so there "
                                   "is no folder to find its files in");
        findings.append(f);
        return findings;
    }
    LinkChecker checker(utf8, pageFile);
    findings = checker.run(progress);
    const LineIndex lines(utf8);
    for (Finding& f : findings)
        place(f, lines);
    return findings;
}

QList<Finding> checkPage(const QByteArray& utf8, const QString& pageFile, Progress* progress)
{
    if (progress)
        progress->total.store(2 * qMax<qint64>(1, utf8.size()));
    QList<Finding> findings = checkMarkup(utf8, progress);
    if (progress)
        progress->done.store(utf8.size());
    findings += checkLinks(utf8, pageFile, progress);
    // Text order; findings without a place first, the rest as the checks gave them.
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.start < b.start; });
    if (progress)
        progress->done.store(progress->total.load());
    return findings;
}

} // namespace PageCheck
