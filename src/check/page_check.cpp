#include "check/page_check.h"

#include "check/markup_child.h"
#include "check/tidy_document.h"
#include "core/site_folder.h"
#include "core/tag_lexer.h"

#include <tidyenum.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <cstring>
#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
    case Kind::Note:
        break;
    }
    return QStringLiteral("note");
}

bool fails(const Finding& finding, bool strict)
{
    return finding.kind == Kind::Error || (strict && finding.kind == Kind::Warning);
}

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}
} // namespace

QString escapeControls(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isControl(u))
            out += c;
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u <= 0xFF)
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QStringLiteral("\\u{%1}").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString formatFinding(const QString& file, const Finding& finding)
{
    return QStringLiteral("%1:%2:%3: %4: %5")
        .arg(escapeControls(file))
        .arg(qMax(finding.line, 1))
        .arg(qMax(finding.column, 1))
        .arg(kindName(finding.kind), escapeControls(finding.message));
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
    static constexpr QByteArrayView names[] = {
        "AREA",   "BASE",    "BASEFONT", "BR",       "COL",   "EMBED", "FRAME",  "HR",     "IMG",
        "INPUT",  "ISINDEX", "LINK",     "META",     "PARAM", "WBR",   "SPACER", "SOURCE", "TRACK",
        "KEYGEN", "P",       "LI",       "DT",       "DD",    "TR",    "TD",     "TH",     "OPTION",
        "HTML",   "HEAD",    "BODY",     "COLGROUP", "THEAD", "TBODY", "TFOOT"};
    return isTagOneOf(name, names);
}

// Where the nesting first gets deeper than kMaxNesting, or -1.
// Depth is counted as Tidy nests: an end tag closes the innermost open element of its name and
// everything inside it, and one that closes nothing is dropped, as Tidy drops it.
qsizetype tooDeepAt(QByteArrayView text)
{
    std::vector<std::string> open;
    std::unordered_map<std::string, int> openByName;
    std::string name;
    qsizetype at = -1;
    forEachTag(text, [&](const LexedTag& tag) {
        if (nestsWithoutEndTag(tag.name))
            return true;
        name.assign(tag.name.data(), size_t(tag.name.size()));
        for (char& c : name)
            c = c >= 'a' && c <= 'z' ? char(c - 32) : c;
        if (tag.closing) {
            const auto it = openByName.find(name);
            if (it == openByName.end() || it->second == 0)
                return true;
            while (!open.empty()) {
                std::string top = std::move(open.back());
                open.pop_back();
                --openByName[top];
                if (top == name)
                    break;
            }
        } else {
            open.push_back(name);
            ++openByName[name];
            if (open.size() > size_t(kMaxNesting)) {
                at = tag.start;
                return false;
            }
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
    // What the folder listing says a name is; Other: ask the file system (a symbolic link, or
    // a file system that does not tell).
    enum class Type : uchar { File, Folder, Other };
    struct Lookup
    {
        Found found = Found::Missing;
        QString actualPath; // the path as it exists (differs from the one asked for in case only)
        Type type = Type::Other;
    };

    Lookup find(const QString& cleanAbsolutePath)
    {
        const qsizetype slash = cleanAbsolutePath.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return {};
        if (slash == 0 && cleanAbsolutePath.size() == 1)
            return {Found::Exact, cleanAbsolutePath, Type::Folder};
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
        if (const auto exact = listing.names.constFind(name); exact != listing.names.cend())
            return {parent.found, parent.found == Found::Exact ? cleanAbsolutePath : prefix + name,
                    exact.value()};
        const QHash<QString, QString>& byLowerCase = lowerCaseNames(parent.actualPath);
        const auto other = byLowerCase.constFind(name.toLower());
        if (other != byLowerCase.cend())
            return {Found::OtherCase, prefix + other.value(), listing.names.value(other.value())};
        return {};
    }

private:
    struct Listing
    {
        bool readable = false;
        QHash<QString, Type> names;
        // lower-case name -> exact name; made only when a name is not found as written
        std::optional<QHash<QString, QString>> byLowerCase;
    };

    // Folders are looked up once each; most links share a handful.
    Lookup findFolder(const QString& folder)
    {
        if (folder == QLatin1String("/"))
            return {Found::Exact, folder, Type::Folder};
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
        // Names and the kind the listing gives for free: no entry is asked about itself unless
        // it is a symbolic link, so listing costs one read of the folder.
#ifdef Q_OS_UNIX
        if (DIR* dir = opendir(QFile::encodeName(folder).constData())) {
            listing.readable = true;
            while (const dirent* entry = readdir(dir)) {
                const char* n = entry->d_name;
                if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                    continue;
                listing.names.insert(fileNameOf(n), entry->d_type == DT_REG   ? Type::File
                                                    : entry->d_type == DT_DIR ? Type::Folder
                                                                              : Type::Other);
            }
            closedir(dir);
        }
#else
        QDirIterator entries(folder,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        listing.readable = QFileInfo(folder).isDir();
        while (entries.hasNext()) {
            entries.next();
            listing.names.insert(entries.fileName(), Type::Other);
        }
#endif
        return listings_.emplace(folder, std::move(listing)).first->second;
    }

    const QHash<QString, QString>& lowerCaseNames(const QString& folder)
    {
        Listing& listing = listingOf(folder);
        if (!listing.byLowerCase) {
            listing.byLowerCase.emplace();
            listing.byLowerCase->reserve(listing.names.size());
            for (auto it = listing.names.cbegin(); it != listing.names.cend(); ++it)
                listing.byLowerCase->insert(it.key().toLower(), it.key());
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
    return isPageFile(path);
}

// The path a browser opens for `relative` inside `folder` (absolute and clean): "." and empty
// steps are dropped and ".." climbs, but never above the root; `clamped` says one had to stop.
QString resolvePath(const QString& folder, QStringView relative, bool* clamped)
{
    QStringList steps = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QStringView step : relative.split(QLatin1Char('/'))) {
        if (step.isEmpty() || step == QLatin1String("."))
            continue;
        if (step == QLatin1String("..")) {
            if (steps.isEmpty())
                *clamped = true;
            else
                steps.removeLast();
            continue;
        }
        steps.append(step.toString());
    }
    return QLatin1Char('/') + steps.join(QLatin1Char('/'));
}

// A Java class named as APPLET's CODE names it ("pkg.Main.class", "pkg.Main", "Main.class")
// as the file a browser fetches: "pkg/Main.class".
QString classFile(QString code)
{
    if (code.endsWith(QLatin1String(".class"), Qt::CaseInsensitive))
        code.chop(6);
    code.replace(QLatin1Char('.'), QLatin1Char('/'));
    return code + QLatin1String(".class");
}

// "http:", "mailto:", ... for addresses that leave this computer; empty otherwise.
QString webScheme(const QString& value)
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

// "C:\\..." or "C:/...": a path on another system's disk.
bool isDrivePath(const QString& path)
{
    return path.size() >= 3 && path[1] == QLatin1Char(':') && path[0].isLetter() &&
           path[0].unicode() < 128 && (path[2] == QLatin1Char('\\') || path[2] == QLatin1Char('/'));
}

bool isFileUrl(const QString& value)
{
    return value.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

bool isAbsoluteLocal(const QString& path)
{
    return isDrivePath(path) || path.startsWith(QLatin1Char('/')) ||
           path.startsWith(QLatin1Char('\\'));
}

// Whether a file holds an anchor (A NAME or any ID) called `name`. The file is read in pieces;
// around each place the name's bytes occur, the tag they stand in is read with what came
// before, so a tag split between two pieces is still found.
bool holdsAnchor(QFile& file, const QString& name)
{
    QList<QByteArray> needles = {name.toUtf8()};
    if (const QByteArray latin1 = name.toLatin1();
        latin1 != needles.first() && QString::fromLatin1(latin1) == name)
        needles.append(latin1); // a page in a single-byte encoding
    if (needles.first().isEmpty())
        return false;
    constexpr qsizetype kBefore = 4096; // the longest tag looked back over
    const qsizetype kept = kBefore + needles.first().size();
    QByteArray buffer;
    for (bool end = false; !end;) {
        const QByteArray piece = file.read(kFragmentPiece);
        end = piece.size() < kFragmentPiece;
        if (buffer.size() > kept)
            buffer.remove(0, buffer.size() - kept);
        buffer += piece;
        for (const QByteArray& needle : std::as_const(needles)) {
            // One pass: the last "<" before each place is followed along, and a tag once read
            // is not read again for the other places inside it.
            qsizetype lt = -1;
            qsizetype nextLt = buffer.indexOf('<');
            for (qsizetype at = buffer.indexOf(needle); at >= 0;
                 at = buffer.indexOf(needle, at + 1)) {
                while (nextLt >= 0 && nextLt < at) {
                    lt = nextLt;
                    nextLt = buffer.indexOf('<', nextLt + 1);
                }
                if (lt < 0 || at - lt > kBefore)
                    continue;
                TagLexer lexer(QByteArrayView(buffer).sliced(lt));
                LexedTag tag;
                if (!lexer.next(tag) || tag.start != 0 || tag.closing)
                    continue;
                const bool anchor = sameTagName(tag.name, "A");
                for (const TagAttribute& a : tag.attributes) {
                    // A value that runs to the end of what was read may go on in the next piece.
                    if (!end && lt + a.valueStart + a.value.size() >= buffer.size())
                        continue;
                    if ((sameTagName(a.name, "ID") || (anchor && sameTagName(a.name, "NAME"))) &&
                        (a.value == needle || decodeValue(a.value) == name))
                        return true;
                }
                at = qMax(at, lt + tag.end - 1);
            }
        }
    }
    return false;
}

class LinkChecker
{
public:
    LinkChecker(QByteArrayView text, const QString& pageFile, const QString& siteFolder,
                QList<LocalLink>* localLinks, SiteFiles* sharedFiles)
        : localLinks_(localLinks), text_(text),
          pageFile_(pageFile.isEmpty() ? QString()
                                       : QDir::cleanPath(QFileInfo(pageFile).absoluteFilePath())),
          folder_(pageFile.isEmpty() ? QString() : QFileInfo(pageFile_).absolutePath()),
          pageFileGiven_(pageFile), siteGiven_(siteFolder),
          files_(sharedFiles ? *sharedFiles : ownFiles_)
    {
    }

    QList<Finding> run(Progress* progress)
    {
        const QList<LinkValue> links = linkValues(text_);
        findBase(links);
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
            const QString value = effectiveValue(link);
            QString scheme = webScheme(value);
            if (scheme.isEmpty() && !baseScheme_.isEmpty() && link.role != LinkValue::Base &&
                isRelative(value))
                scheme = baseScheme_; // relative to a web address: one too
            if (!scheme.isEmpty()) {
                if (firstWeb < 0)
                    firstWeb = link.start;
                ++webCount;
                if (!schemes.contains(scheme))
                    schemes.append(scheme);
                continue;
            }
            check(link, value);
        }
        if (webCount > 0) {
            Finding summary;
            summary.kind = Kind::Note;
            summary.start = firstWeb;
            summary.message = (webCount == 1 ? QStringLiteral("%1 web address not checked (%2)")
                                             : QStringLiteral("%1 web addresses not checked (%2)"))
                                  .arg(webCount)
                                  .arg(schemes.join(QLatin1String(", ")));
            findings_.append(summary);
        }
        if (unsavedRelative_ >= 0) {
            Finding f;
            f.kind = Kind::Note;
            f.start = unsavedRelative_;
            f.message = QStringLiteral(
                "relative links not checked: the page has not been saved yet, so there is no "
                "folder to find their files in");
            findings_.append(f);
        }
        return findings_;
    }

private:
    // The value a browser asks for: without blanks around it, APPLET classes as files below
    // their CODEBASE.
    static QString effectiveValue(const LinkValue& link)
    {
        QString value = link.value.trimmed();
        if (link.role == LinkValue::Code)
            value = classFile(value);
        if ((link.role == LinkValue::Code || link.role == LinkValue::Archive) &&
            !link.codebase.trimmed().isEmpty() && !isAbsoluteLocal(value) && !isFileUrl(value) &&
            webScheme(value).isEmpty()) {
            QString codebase = link.codebase.trimmed();
            if (!codebase.endsWith(QLatin1Char('/')))
                codebase += QLatin1Char('/');
            value = codebase + value;
        }
        return value;
    }

    // Neither absolute, nor a web address, nor only a #name.
    static bool isRelative(const QString& value)
    {
        return !value.isEmpty() && !value.startsWith(QLatin1Char('#')) && !isAbsoluteLocal(value) &&
               !isFileUrl(value) && webScheme(value).isEmpty();
    }

    // The first BASE HREF: relative links resolve against it.
    void findBase(const QList<LinkValue>& links)
    {
        for (const LinkValue& link : links) {
            if (link.role != LinkValue::Base)
                continue;
            const QString value = link.value.trimmed();
            baseScheme_ = webScheme(value);
            if (!baseScheme_.isEmpty())
                return;
            QString path = value;
            if (isFileUrl(value)) {
                path = QUrl(value).toLocalFile();
                if (path.isEmpty())
                    path = QUrl::fromPercentEncoding(value.mid(5).toUtf8());
            } else {
                path = QUrl::fromPercentEncoding(value.toUtf8());
            }
            if (const qsizetype cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
                cut >= 0)
                path.truncate(cut);
            if (isDrivePath(path) || path.isEmpty())
                return;
            bool clamped = false;
            if (!path.startsWith(QLatin1Char('/'))) {
                if (folder_.isEmpty())
                    return;
                path = folder_ + QLatin1Char('/') + path;
            }
            // "http://host/a/b.htm" and "/a/b.htm" resolve "c.htm" to "/a/c.htm".
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            baseFolder_ = resolvePath(QStringLiteral("/"), path.left(slash + 1), &clamped);
            return;
        }
    }

    void add(const LinkValue& link, const QString& message, Kind kind = Kind::Error)
    {
        Finding f;
        f.kind = kind;
        f.start = link.start;
        f.length = link.length;
        f.message = message;
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

    void check(const LinkValue& link, QString value)
    {
        if (value.isEmpty())
            return;
        QString fragment;
        if (const qsizetype hash = value.indexOf(QLatin1Char('#')); hash >= 0) {
            fragment = QUrl::fromPercentEncoding(value.mid(hash + 1).toUtf8());
            value.truncate(hash);
        }
        if (const qsizetype query = value.indexOf(QLatin1Char('?')); query >= 0)
            value.truncate(query);
        if (link.role == LinkValue::Map && value.isEmpty()) {
            if (!maps_)
                maps_ = mapNames(text_);
            if (!fragment.isEmpty() && !maps_->contains(fragment))
                add(link, QStringLiteral("no map \"%1\" in this page").arg(fragment));
            return;
        }
        QString written = value;
        if (link.role != LinkValue::Code && link.role != LinkValue::Archive) {
            written = link.value.trimmed();
            if (const qsizetype hash = written.indexOf(QLatin1Char('#')); hash >= 0)
                written.truncate(hash);
        }

        // Absolute paths, and file: addresses, which are the same: they work only here.
        if (isFileUrl(value)) {
            QString local = QUrl(value).toLocalFile();
            if (local.isEmpty())
                local = QUrl::fromPercentEncoding(value.mid(5).toUtf8());
            if (isAbsoluteLocal(local)) {
                checkAbsolute(link, written, local, fragment);
                return;
            }
            value = local;
        } else if (isAbsoluteLocal(value)) {
            checkAbsolute(link, written, QUrl::fromPercentEncoding(value.toUtf8()), fragment);
            return;
        } else if (value.contains(QLatin1Char('%'))) {
            value = QUrl::fromPercentEncoding(value.toUtf8());
        }
        value.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (value.isEmpty()) {
            checkFragment(link, pageFile_, written, fragment);
            return;
        }
        const QString& folder =
            baseFolder_.isEmpty() || link.role == LinkValue::Base ? folder_ : baseFolder_;
        if (folder.isEmpty()) {
            if (unsavedRelative_ < 0)
                unsavedRelative_ = link.start;
            return;
        }
        bool clamped = false;
        if (isPlainRelative(value) && !folder.endsWith(QLatin1Char('/'))) {
            QString path;
            path.reserve(folder.size() + 1 + value.size());
            path.append(folder).append(QLatin1Char('/')).append(value);
            checkTarget(link, path, value, QString(), fragment);
            return;
        }
        const QString path = resolvePath(folder, value, &clamped);
        checkTarget(link, path, value,
                    clamped ? QStringLiteral("%1 climbs above the root folder to %2: it works "
                                             "only on this computer")
                                  .arg(written, path)
                            : QString(),
                    fragment);
    }

    void checkAbsolute(const LinkValue& link, const QString& written, QString local,
                       const QString& fragment)
    {
        local.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (isDrivePath(local)) { // another system's disk: nothing here to look at
            add(link, QStringLiteral("%1 is an absolute path: it works only on this computer")
                          .arg(written));
            return;
        }
        bool clamped = false;
        const QString path = resolvePath(QStringLiteral("/"), local, &clamped);
        checkTarget(
            link, path, written,
            written == path
                ? QStringLiteral("%1 is an absolute path: it works only on this computer")
                      .arg(written)
                : QStringLiteral("%1 is an absolute path (%2): it works only on this computer")
                      .arg(written, path),
            fragment);
    }

    // `onlyHere`: the finding for a target that exists but works only on this computer; the
    // name in other findings is then the full path.
    void checkTarget(const LinkValue& link, const QString& path, const QString& written,
                     const QString& onlyHere, const QString& fragment)
    {
        const qsizetype before = findings_.size();
        checkTargetFile(link, path, written, onlyHere, fragment);
        if (localLinks_)
            localLinks_->append({link.start, link.length, path, findings_.size() > before});
    }

    void checkTargetFile(const LinkValue& link, const QString& path, const QString& written,
                         const QString& onlyHere, const QString& fragment)
    {
        const QString shown = onlyHere.isEmpty() || written == path
                                  ? written
                                  : written + QStringLiteral(" (") + path + QLatin1Char(')');
        const SiteFiles::Lookup found = files_.find(path);
        if (found.found == SiteFiles::Found::Missing) {
            add(link, shown == written
                          ? QStringLiteral("%1 does not exist").arg(written)
                          : QStringLiteral("%1 does not exist (%2)").arg(written, path));
            return;
        }
        if (found.found == SiteFiles::Found::OtherCase) {
            add(link, QStringLiteral("%1 exists as %2: a web server on Linux will not find it")
                          .arg(shown, onlyHere.isEmpty() || folder_.isEmpty()
                                          ? QDir(folder_).relativeFilePath(found.actualPath)
                                          : found.actualPath));
            return;
        }
        SiteFiles::Type type = found.type;
        if (type == SiteFiles::Type::Other) {
            const QFileInfo info(path);
            if (info.isSymLink() && !info.exists()) {
                add(link, QStringLiteral("%1 is a symbolic link that leads nowhere").arg(shown));
                return;
            }
            type = info.isDir() ? SiteFiles::Type::Folder : SiteFiles::Type::File;
        }
        if (type == SiteFiles::Type::Folder && link.role != LinkValue::Folder &&
            link.role != LinkValue::Base && !holdsIndexPage(path)) {
            add(link, QStringLiteral("%1 is a folder with no index page").arg(shown));
            return;
        }
        if (!onlyHere.isEmpty()) {
            add(link, onlyHere);
            return;
        }
        if (type == SiteFiles::Type::File && !fragment.isEmpty())
            checkFragment(link, path, written, fragment);
    }

    void checkFragment(const LinkValue& link, const QString& target, const QString& written,
                       const QString& fragment)
    {
        if (fragment.isEmpty())
            return;
        const bool thisPage = target.isEmpty() || target == pageFile_;
        if (thisPage) {
            if (!pageAnchors_)
                pageAnchors_ = anchorNames(text_); // the text being edited, saved or not
            if (!pageAnchors_->contains(fragment))
                add(link, QStringLiteral("no anchor \"%1\" in this page").arg(fragment));
            return;
        }
        if (!isHtmlFile(target))
            return;
        const QString key = target + QLatin1Char('#') + fragment;
        auto known = fragments_.constFind(key);
        if (known == fragments_.cend())
            known = fragments_.insert(key, lookForAnchor(target, fragment));
        switch (known.value()) {
        case Anchor::Found:
        case Anchor::NotLooked:
            return;
        case Anchor::Missing:
            add(link,
                QStringLiteral("no anchor \"%1\" in %2")
                    .arg(fragment,
                         folder_.isEmpty() ? target : QDir(folder_).relativeFilePath(target)));
            return;
        case Anchor::TooLarge:
            add(link, QStringLiteral("%1 is too large to look for #%2").arg(written, fragment),
                Kind::Note);
            return;
        }
    }

    enum class Anchor { Found, Missing, TooLarge, NotLooked };

    // The site folder, found when a page's #names are first wanted: most checks never ask.
    const QString& site()
    {
        if (!site_) {
            QString site = siteGiven_.isEmpty() ? siteFolderFor(pageFileGiven_) : siteGiven_;
            if (!site.isEmpty()) {
                const QString canonical = QFileInfo(site).canonicalFilePath();
                site = canonical.isEmpty() ? QDir::cleanPath(site) : canonical;
            }
            site_ = site;
        }
        return *site_;
    }

    // Only regular files inside the site folder are read, and only so much of them.
    Anchor lookForAnchor(const QString& target, const QString& fragment)
    {
        const QFileInfo info(target);
        const QString canonical = info.canonicalFilePath();
        if (canonical.isEmpty() || !liesInside(canonical, site()))
            return Anchor::NotLooked;
        QFile file;
#ifdef Q_OS_UNIX
        // What is opened is asked what it is, so a pipe put there meanwhile never blocks.
        const int fd =
            ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat status
        {
        };
        if (fd < 0)
            return Anchor::NotLooked;
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return Anchor::NotLooked;
        }
        if (status.st_size > kMaxFragmentTarget) {
            ::close(fd);
            return Anchor::TooLarge;
        }
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return Anchor::NotLooked;
        }
#else
        const QFileInfo real(canonical);
        if (!real.isFile())
            return Anchor::NotLooked;
        if (real.size() > kMaxFragmentTarget)
            return Anchor::TooLarge;
        file.setFileName(canonical);
        if (!file.open(QIODevice::ReadOnly))
            return Anchor::NotLooked;
#endif
        return holdsAnchor(file, fragment) ? Anchor::Found : Anchor::Missing;
    }

    QList<LocalLink>* localLinks_;
    QByteArrayView text_;
    QString pageFile_;
    QString folder_;
    QString pageFileGiven_;
    QString siteGiven_;
    std::optional<QString> site_;
    QString baseScheme_; // a BASE that is a web address makes relative links web addresses
    QString baseFolder_; // a local BASE's folder
    std::optional<QSet<QString>> maps_;
    qsizetype unsavedRelative_ = -1;
    SiteFiles ownFiles_;
    SiteFiles& files_;
    std::optional<QSet<QString>> pageAnchors_;
    QHash<QString, Anchor> fragments_;
    QList<Finding> findings_;
};

} // namespace

QList<LinkValue> linkValues(QByteArrayView utf8)
{
    QList<LinkValue> links;
    forEachTag(utf8, [&](const LexedTag& tag) {
        if (tag.closing)
            return true;
        const TagAttribute* codebase = tag.attribute("CODEBASE");
        const TagAttribute* archive = tag.attribute("ARCHIVE");
        const bool base = sameTagName(tag.name, "BASE");
        for (const TagAttribute& a : tag.attributes) {
            if (a.valueStart < 0)
                continue;
            LinkValue::Role role;
            if (sameTagName(a.name, "HREF"))
                role = base ? LinkValue::Base : LinkValue::Page;
            else if (sameTagName(a.name, "SRC") || sameTagName(a.name, "BACKGROUND") ||
                     sameTagName(a.name, "ACTION"))
                role = LinkValue::Page;
            else if (sameTagName(a.name, "USEMAP"))
                role = LinkValue::Map;
            else if (sameTagName(a.name, "CODEBASE"))
                role = LinkValue::Folder;
            else if (sameTagName(a.name, "CODE") && !archive) // else the class is in the archive
                role = LinkValue::Code;
            else if (sameTagName(a.name, "ARCHIVE"))
                role = LinkValue::Archive;
            else
                continue;
            // ARCHIVE lists files, separated by commas; each is a link of its own.
            const QByteArrayView raw = a.value;
            for (qsizetype from = 0; from <= raw.size();) {
                qsizetype to = role == LinkValue::Archive ? raw.indexOf(',', from) : -1;
                if (to < 0)
                    to = raw.size();
                qsizetype first = from, last = to;
                while (first < last && (raw[first] == ' ' || raw[first] == '\t'))
                    ++first;
                while (last > first && (raw[last - 1] == ' ' || raw[last - 1] == '\t'))
                    --last;
                if (last > first || role != LinkValue::Archive) {
                    LinkValue link;
                    link.value = decodeValue(raw.sliced(first, last - first));
                    link.start = a.valueStart + first;
                    link.length = last - first;
                    link.role = role;
                    if ((role == LinkValue::Code || role == LinkValue::Archive) && codebase)
                        link.codebase = decodeValue(codebase->value);
                    links.append(link);
                }
                from = to + 1;
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
        const bool anchor = sameTagName(tag.name, "A");
        for (const TagAttribute& a : tag.attributes)
            if (sameTagName(a.name, "ID") || (anchor && sameTagName(a.name, "NAME")))
                names.insert(decodeValue(a.value));
        return true;
    });
    return names;
}

QSet<QString> mapNames(QByteArrayView utf8)
{
    QSet<QString> names;
    forEachTag(utf8, [&](const LexedTag& tag) {
        if (!tag.closing && sameTagName(tag.name, "MAP"))
            if (const TagAttribute* name = tag.attribute("NAME"))
                names.insert(decodeValue(name->value));
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

namespace {

// What HTML 3.2 allows and Tidy warns about anyway, told apart by Tidy's message codes: a page
// may leave out <BODY> (text after </TITLE> starts it), and SUMMARY does not exist in HTML 3.2
// while an IMG may leave out ALT. (An AREA without ALT is a fault in HTML 3.2 too.)
bool allowedInHtml32(const TidyDocument::Report& report, QByteArrayView text, qsizetype at)
{
    const QString first = report.arguments.value(0);
    const QString second = report.arguments.value(1);
    switch (report.code) {
    case INSERTING_TAG:
        return first.compare(QLatin1String("body"), Qt::CaseInsensitive) == 0;
    case TAG_NOT_ALLOWED_IN: // text, not a tag, where the head would go on
        return second.compare(QLatin1String("head"), Qt::CaseInsensitive) == 0 && at >= 0 &&
               at < text.size() && text[at] != '<';
    case MISSING_ATTRIBUTE:
        return (first.compare(QLatin1String("<img>"), Qt::CaseInsensitive) == 0 &&
                second.compare(QLatin1String("alt"), Qt::CaseInsensitive) == 0) ||
               second.compare(QLatin1String("summary"), Qt::CaseInsensitive) == 0;
    default:
        return false;
    }
}

} // namespace

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
        f.message = QStringLiteral("the markup was not checked: %1").arg(why);
        findings.append(f);
        return findings;
    }
    TidyDocument tidy;
    std::atomic<qint64> unused{0};
    const QList<TidyDocument::Report> reports = tidy.parse(
        input, progress ? &progress->done : &unused, progress ? &progress->stop : nullptr);
    for (const TidyDocument::Report& r : reports) {
        Finding f;
        f.kind = r.level == TidyDocument::Level::Error ? Kind::Error : Kind::Warning;
        f.message = r.message;
        if (r.line > 0) {
            const int column = r.line == 1 ? qMax(1, r.column - shift) : qMax(1, r.column);
            f.start = lines.offset(r.line, column);
            f.length = tagLength(utf8, f.start);
            place(f, lines);
        }
        if (asHtml32 && allowedInHtml32(r, utf8, f.start))
            continue;
        findings.append(f);
    }
    return findings;
}

struct FolderListings::Impl
{
    SiteFiles files;
};

FolderListings::FolderListings() : impl_(std::make_unique<Impl>()) {}
FolderListings::~FolderListings() = default;

QList<Finding> checkLinks(const QByteArray& utf8, const QString& pageFile, Progress* progress,
                          const QString& siteFolder, QList<LocalLink>* localLinks,
                          FolderListings* listings)
{
    LinkChecker checker(utf8, pageFile, siteFolder, localLinks,
                        listings ? &listings->impl().files : nullptr);
    QList<Finding> findings = checker.run(progress);
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.start < b.start; });
    const LineIndex lines(utf8);
    for (Finding& f : findings)
        place(f, lines);
    return findings;
}

QList<Finding> checkPage(const QByteArray& utf8, const QString& pageFile, Progress* progress,
                         MarkupIn where, const QString& siteFolder)
{
    if (progress)
        progress->total.store(2 * qMax<qint64>(1, utf8.size()));
    QList<Finding> findings = where == MarkupIn::ChildProcess ? checkMarkupInChild(utf8, progress)
                                                              : checkMarkup(utf8, progress);
    if (progress)
        progress->done.store(utf8.size());
    findings = mergeFindings(std::move(findings), checkLinks(utf8, pageFile, progress, siteFolder));
    if (progress)
        progress->done.store(progress->total.load());
    return findings;
}

QList<Finding> mergeFindings(QList<Finding> markup, const QList<Finding>& links)
{
    markup += links;
    // Text order; findings without a place first, the rest as the checks gave them.
    std::stable_sort(markup.begin(), markup.end(),
                     [](const Finding& a, const Finding& b) { return a.start < b.start; });
    return markup;
}

} // namespace PageCheck
