#include "site/find_in_files.h"

#include "core/document_codec.h"
#include "core/site_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstring>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// ---- editor text (UTF-8) and character positions, counted the same way both directions ----

// A character of the editor's text and how many QString units it takes there, counted as
// the editor counts (an invalid byte is one unit, shown as U+FFFD).
struct Utf8Char
{
    int bytes;
    int units;
    char32_t cp;
};

Utf8Char utf8Step(const unsigned char* p, const unsigned char* end)
{
    if (*p < 0x80)
        return {1, 1, *p};
    const Utf8Step step = nextUtf8Step(p, end);
    if (step.kind == Utf8Step::Invalid)
        return {1, 1, 0xFFFD};
    return {step.length, step.cp > 0xFFFF ? 2 : 1, step.cp};
}

QString decodeForSearch(const QByteArray& utf8)
{
    // Never more units than bytes: written in place, then cut to size.
    QString text(utf8.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.constData());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = *p++;
            continue;
        }
        const Utf8Char s = utf8Step(p, end);
        if (s.units == 2) {
            *out++ = QChar::highSurrogate(s.cp);
            *out++ = QChar::lowSurrogate(s.cp);
        } else {
            *out++ = char16_t(s.cp);
        }
        p += s.bytes;
    }
    text.truncate(out - start);
    return text;
}

// Walks the editor text forward, turning character positions into byte positions.
class UnitsToBytes
{
public:
    explicit UnitsToBytes(const QByteArray& utf8)
        : p_(reinterpret_cast<const unsigned char*>(utf8.constData())), end_(p_ + utf8.size())
    {
    }
    long byteAt(qsizetype unit)
    {
        while (unit_ < unit && p_ + byte_ < end_) {
            const Utf8Char s = utf8Step(p_ + byte_, end_);
            byte_ += s.bytes;
            unit_ += s.units;
        }
        return long(byte_);
    }

private:
    const unsigned char* p_;
    const unsigned char* end_;
    qsizetype byte_ = 0;
    qsizetype unit_ = 0;
};

QRegularExpression buildExpression(const FindInFilesOptions& options)
{
    QString pattern =
        options.regularExpression ? options.text : QRegularExpression::escape(options.text);
    if (options.wholeWords)
        pattern = QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(pattern);
    QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
    if (!options.matchCase)
        flags |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(pattern, flags);
}

// \0 ... \9 are groups, \\ is one backslash; any other backslash stays as it is.
QString expandReplacement(const QString& replacement, const QRegularExpressionMatch& match)
{
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c == QLatin1Char('\\') && i + 1 < replacement.size()) {
            const QChar next = replacement.at(i + 1);
            if (next.isDigit() && next.unicode() < 0x80) {
                out += match.captured(next.digitValue());
                ++i;
                continue;
            }
            if (next == QLatin1Char('\\')) {
                out += next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// ---- file bytes and editor bytes ----

// How many editor (UTF-8) bytes each Windows-1252 byte becomes, asked of the codec itself.
const std::array<int, 256>& cp1252Widths()
{
    static const std::array<int, 256> widths = [] {
        std::array<int, 256> w{};
        for (int b = 0; b < 256; ++b)
            w[b] = b < 0x80 ? 1 : int(decodeDocument(QByteArray(1, char(b))).utf8.size());
        return w;
    }();
    return widths;
}

int utf8Width(char16_t u)
{
    return u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
}

// Steps through a file's bytes as the codec decodes them: how many file bytes make how many
// editor bytes.
class FileWalker
{
public:
    FileWalker(const QByteArray& file, TextEncoding encoding)
        : data_(reinterpret_cast<const unsigned char*>(file.constData())), size_(file.size()),
          encoding_(encoding)
    {
        if (encoding == TextEncoding::Utf8WithBom)
            pos_ = 3;
        else if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
            pos_ = 2;
    }
    // The file position where editor byte `target` starts.
    qsizetype fileAt(long target)
    {
        while (editor_ < target && pos_ < size_)
            step();
        return pos_;
    }

private:
    char16_t unit(qsizetype at) const
    {
        const unsigned char a = data_[at], b = data_[at + 1];
        return encoding_ == TextEncoding::Utf16BE ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    }
    void step()
    {
        if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
            if (pos_ + 1 >= size_) {
                pos_ = size_; // the odd tail is no text
                return;
            }
            const char16_t u = unit(pos_);
            const bool hasNext = pos_ + 3 < size_;
            if (u == '\r') {
                pos_ += hasNext && unit(pos_ + 2) == '\n' ? 4 : 2;
                editor_ += 1;
            } else if (u >= 0xD800 && u < 0xDC00 && hasNext && unit(pos_ + 2) >= 0xDC00 &&
                       unit(pos_ + 2) < 0xE000) {
                pos_ += 4;
                editor_ += 4;
            } else {
                pos_ += 2;
                editor_ += utf8Width(u);
            }
            return;
        }
        const unsigned char c = data_[pos_];
        if (c == '\r') {
            pos_ += pos_ + 1 < size_ && data_[pos_ + 1] == '\n' ? 2 : 1;
            editor_ += 1;
            return;
        }
        pos_ += 1;
        editor_ += encoding_ == TextEncoding::Windows1252 ? cp1252Widths()[c] : 1;
    }

    const unsigned char* data_;
    qsizetype size_;
    TextEncoding encoding_;
    qsizetype pos_ = 0;
    long editor_ = 0;
};

// The replacement as the page's bytes, without the byte-order mark a whole page starts with.
QByteArray encodePiece(const QString& text, TextEncoding encoding)
{
    TextFormat format(encoding == TextEncoding::Utf8WithBom ? TextEncoding::Utf8 : encoding);
    const QByteArray utf8 = normalizeLineEnds(text).toUtf8();
    QByteArray bytes = encodeDocument(utf8, format);
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        bytes.remove(0, 2);
    return bytes;
}

bool holdsBytes(const QByteArray& haystack, const QByteArray& needle)
{
#ifdef Q_OS_UNIX
    return ::memmem(haystack.constData(), size_t(haystack.size()), needle.constData(),
                    size_t(needle.size())) != nullptr;
#else
    return haystack.contains(needle);
#endif
}

bool holdsNul(const QByteArray& bytes)
{
    return bytes.contains('\0');
}

bool startsWithUtf16Mark(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

bool nameFits(const QString& name, const QList<QRegularExpression>& patterns)
{
    if (patterns.isEmpty())
        return true;
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const QRegularExpression& re) { return re.match(name).hasMatch(); });
}

void collect(const QString& folder, const QString& root, const QList<QRegularExpression>& patterns,
             QStringList& out, const std::atomic_bool* cancel)
{
    if (cancel && cancel->load())
        return;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.')))
            continue;
        if (entry.isSymLink()) {
            // A link is followed only to a file that lies inside the site; a linked folder is
            // never entered, so no loop and no way out.
            const QString target = entry.canonicalFilePath();
            if (target.isEmpty() || !liesInside(target, root) || !QFileInfo(target).isFile())
                continue;
            if (nameFits(entry.fileName(), patterns))
                out << entry.absoluteFilePath();
        } else if (entry.isDir()) {
            collect(entry.absoluteFilePath(), root, patterns, out, cancel);
        } else if (entry.isFile() && nameFits(entry.fileName(), patterns)) {
            out << entry.absoluteFilePath();
        }
    }
}

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (QDir::cleanPath(a) == QDir::cleanPath(b))
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// `path` with its folder resolved (symbolic links, "..") through `resolved`, which keeps the
// answer for each folder; empty when the folder cannot be resolved.
QString resolvedInFolder(const QString& path, QHash<QString, QString>& resolved)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return QFileInfo(path).canonicalFilePath();
    const QString folder = path.left(slash);
    auto it = resolved.find(folder);
    if (it == resolved.end())
        it = resolved.insert(folder, QFileInfo(folder).canonicalFilePath());
    return it.value().isEmpty() ? QString() : it.value() + path.mid(slash);
}

} // namespace

int FindInFilesResult::matchCount() const
{
    int n = 0;
    for (const FindInFilesFile& f : files)
        n += int(f.matches.size());
    return n;
}

QStringList splitNamePatterns(const QString& patterns)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return patterns.split(separators, Qt::SkipEmptyParts);
}

QStringList filesToSearch(const FindInFilesScope& scope, const std::atomic_bool* cancel)
{
    if (scope.folder.isEmpty())
        return scope.page.isEmpty() ? QStringList() : QStringList{scope.page};
    const QString root = QFileInfo(scope.folder).canonicalFilePath();
    if (root.isEmpty())
        return {};
    QList<QRegularExpression> patterns;
    for (const QString& p : scope.namePatterns)
        patterns << QRegularExpression(QRegularExpression::wildcardToRegularExpression(p),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    collect(root, root, patterns, out, cancel);
    return out;
}

QList<FindInFilesMatch> findInText(const QByteArray& utf8, const FindInFilesOptions& options)
{
    QList<FindInFilesMatch> out;
    if (options.text.isEmpty())
        return out;
    const QRegularExpression re = buildExpression(options);
    if (!re.isValid())
        return out;
    const QString text = decodeForSearch(utf8);
    UnitsToBytes bytes(utf8);
    int line = 1;
    qsizetype counted = 0;   // lines counted up to here
    qsizetype lineStart = 0; // where the counted line starts
    QRegularExpressionMatchIterator it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() == 0)
            continue;
        const qsizetype start = m.capturedStart();
        for (; counted < start; ++counted) {
            if (text.at(counted) == QLatin1Char('\n')) {
                ++line;
                lineStart = counted + 1;
            }
        }
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), start);
        if (lineEnd < 0)
            lineEnd = text.size();
        FindInFilesMatch match;
        match.line = line;
        match.lineText = text.mid(lineStart, lineEnd - lineStart);
        match.lineStart = int(start - lineStart);
        match.lineLength = int(std::min(m.capturedEnd(), lineEnd) - start);
        match.from = bytes.byteAt(start);
        match.to = bytes.byteAt(m.capturedEnd());
        match.replacement = options.regularExpression ? expandReplacement(options.replacement, m)
                                                      : options.replacement;
        out << match;
    }
    return out;
}

PageRead readPageForSearch(const QString& path, QByteArray& bytes)
{
    bytes.clear();
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.isFile())
        return PageRead::Unreadable;
    if (info.size() > kFindInFilesMaxSize)
        return PageRead::TooLarge;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PageRead::Unreadable;
    bytes = file.read(kFindInFilesMaxSize + 1);
    if (bytes.size() > kFindInFilesMaxSize)
        return PageRead::TooLarge;
#else
    // Not blocking: a pipe put in a page's place must not hang the search.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return PageRead::Unreadable;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return PageRead::Unreadable;
    }
    if (st.st_size > kFindInFilesMaxSize) {
        ::close(fd);
        return PageRead::TooLarge;
    }
    // Never more than the limit, even when the file grows while it is read.
    bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            bytes.clear();
            return PageRead::Unreadable;
        }
        if (n == 0)
            break;
        got += n;
        if (got == bytes.size() && got <= kFindInFilesMaxSize)
            bytes.resize(std::min<qsizetype>(got * 2, kFindInFilesMaxSize + 1));
    }
    ::close(fd);
    bytes.truncate(got);
    if (got > kFindInFilesMaxSize) {
        bytes.clear();
        return PageRead::TooLarge;
    }
#endif
    if (holdsNul(bytes) && !startsWithUtf16Mark(bytes)) {
        bytes.clear();
        return PageRead::Binary;
    }
    return PageRead::Ok;
}

FindInFilesResult findInFiles(const FindInFilesScope& scope, const FindInFilesOptions& options,
                              const std::atomic_bool* cancel, const FindInFilesProgress& progress)
{
    FindInFilesResult result;
    if (const QRegularExpression re = buildExpression(options); !re.isValid()) {
        result.patternError = re.errorString();
        return result;
    }
    QStringList files = filesToSearch(scope, cancel);
    if (files.isEmpty() && scope.folder.isEmpty() && scope.hasEditorText)
        files << QString(); // an untitled page: only its text
    const QString root =
        scope.folder.isEmpty() ? QString() : QFileInfo(scope.folder).canonicalFilePath();
    // Most pages do not hold the text at all: for a plain text in matching case that is ASCII
    // (the same bytes in UTF-8 and Windows-1252) and holds no line end, a page whose bytes do
    // not hold it is passed over before it is decoded.
    const QByteArray plainBytes = options.text.toLatin1();
    const bool byBytes =
        !options.regularExpression && options.matchCase && !options.text.isEmpty() &&
        std::all_of(options.text.cbegin(), options.text.cend(),
                    [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
    QHash<QString, QString> resolvedFolders;
    const int total = int(files.size());
    for (int i = 0; i < total; ++i) {
        if (cancel && cancel->load()) {
            result.cancelled = true;
            break;
        }
        if (progress)
            progress(i, total);
        const QString& path = files.at(i);
        FindInFilesFile file;
        file.path = path;
        QByteArray utf8;
        if (scope.hasEditorText && (path.isEmpty() || samePath(path, scope.page))) {
            file.isEditorText = true;
            utf8 = scope.editorText;
        } else {
            // Read through the resolved name, checked once more right before reading.
            QByteArray bytes;
            const auto readResolved = [&](const QString& real) {
                return real.isEmpty() || (!root.isEmpty() && !liesInside(real, root))
                           ? PageRead::Unreadable
                           : readPageForSearch(real, bytes);
            };
            PageRead read = PageRead::Unreadable;
#ifndef Q_OS_WIN
            // Each folder is resolved once; the page's own name is opened without following a
            // link, so a linked page fails here and is resolved in full below.
            const QString fast = resolvedInFolder(path, resolvedFolders);
            read = readResolved(fast);
            if (read == PageRead::Unreadable)
#endif
                read = readResolved(QFileInfo(path).canonicalFilePath());
            if (read == PageRead::Binary) {
                ++result.binarySkipped;
                continue;
            }
            if (read == PageRead::TooLarge) {
                ++result.largeSkipped;
                continue;
            }
            if (read == PageRead::Unreadable) {
                result.unreadable << path;
                continue;
            }
            if (byBytes && !startsWithUtf16Mark(bytes) && !holdsBytes(bytes, plainBytes)) {
                ++result.filesSearched;
                continue;
            }
            utf8 = decodeDocument(std::move(bytes)).utf8;
        }
        ++result.filesSearched;
        file.matches = findInText(utf8, options);
        if (!file.matches.isEmpty())
            result.files << file;
    }
    if (progress && !result.cancelled)
        progress(total, total);
    return result;
}

QByteArray replaceInFileBytes(const QByteArray& fileBytes, const QList<FindInFilesMatch>& chosen)
{
    const TextEncoding encoding = decodeDocument(fileBytes).format.encoding;
    QList<FindInFilesMatch> sorted = chosen;
    std::sort(sorted.begin(), sorted.end(),
              [](const FindInFilesMatch& a, const FindInFilesMatch& b) { return a.from < b.from; });
    FileWalker walker(fileBytes, encoding);
    QByteArray out;
    out.reserve(fileBytes.size());
    qsizetype copied = 0;
    for (const FindInFilesMatch& m : sorted) {
        const qsizetype from = walker.fileAt(m.from);
        if (from < copied)
            continue; // overlaps the one before
        const qsizetype to = walker.fileAt(m.to);
        out.append(fileBytes.constData() + copied, from - copied);
        out.append(encodePiece(m.replacement, encoding));
        copied = to;
    }
    out.append(fileBytes.constData() + copied, fileBytes.size() - copied);
    return out;
}
