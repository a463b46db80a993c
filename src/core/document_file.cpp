#include "core/document_file.h"

#include "core/app_error.h"
#include "core/file_attributes.h"
#include "core/in_place_write.h"
#include "core/seam.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SystemReads : public FileReads
{
public:
    ssize_t read(int fd, void* buffer, size_t size) override { return ::read(fd, buffer, size); }
};

Seam<FileReads, SystemReads> readsSeam;

// Closes a descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and says whether the close reported an error (NFS reports late ones here).
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

void setFileReads(FileReads* reads)
{
    readsSeam.install(reads);
}

QByteArray readRegularFile(const QString& path)
{
    const AppError failure(QStringLiteral("Cannot open file %1").arg(path));
    // A pipe would block until someone writes into it and a device may never end, so anything
    // but a regular file is refused before it is opened; fstat checks again what was opened.
    struct stat info;
    if (::stat(native(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        throw failure;
    Descriptor file(::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw failure;

    // One byte more than the file holds, so that the end is seen without growing the buffer.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(filled + qMax<qsizetype>(filled / 2, 65536)); // it grew meanwhile
        const ssize_t n = readsSeam.current().read(file.get(), bytes.data() + filled,
                                                   size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        // Half a page is never shown as the page.
        if (n < 0)
            throw failure;
        if (n == 0)
            break;
        filled += n;
    }
    bytes.truncate(filled);
    return bytes;
}

EditorBytes readDocumentFile(const QString& path)
{
    return decodeDocument(readRegularFile(path));
}

namespace {

const QString kTemporaryMark = QStringLiteral(".vorlane-");
const QString kTemporaryEnd = QStringLiteral(".tmp");
constexpr int kTemporaryRandom = 6;

// A page reached through a symbolic link is written where the link points, so the link stays.
QString resolveLinks(const QString& path)
{
    QString target = path;
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

// The page's name, shortened where the temporary name would pass the length a name may have.
QString temporaryStem(const QString& pageName)
{
    constexpr qsizetype kNameMax = 255;
    const qsizetype added = kTemporaryMark.size() + kTemporaryRandom + kTemporaryEnd.size();
    QString stem = pageName;
    while (!stem.isEmpty() && QFile::encodeName(stem).size() + added > kNameMax)
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    return stem;
}

QString randomPart()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString part;
    for (int i = 0; i < kTemporaryRandom; ++i)
        part += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(62)]);
    return part;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes what earlier saves of this page left behind when they died. A save in progress
// holds a lock on its temporary file, so only abandoned ones are removed, and only regular
// files of our own user with our naming.
void removeStaleTemporaries(int folder, const QString& pageName)
{
    const int listFd = ::dup(folder);
    if (listFd < 0)
        return;
    DIR* listing = ::fdopendir(listFd);
    if (!listing) {
        ::close(listFd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (!isTemporaryFileOf(QFile::decodeName(name), pageName))
            continue;
        Descriptor candidate(::openat(folder, name.constData(),
                                      O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened, named;
        if (!candidate.valid() || ::fstat(candidate.get(), &opened) != 0 ||
            !S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid())
            continue;
        if (::flock(candidate.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // a running save, or no locks here to tell: leave it
        if (::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named))
            ::unlinkat(folder, name.constData(), 0);
    }
    ::closedir(listing);
}

// Creates and locks a fresh temporary file beside the page; -1 when none can be made.
int createTemporary(int folder, const QString& pageName, mode_t mode, QByteArray* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = QFile::encodeName(temporaryStem(pageName) + kTemporaryMark + randomPart() +
                                  kTemporaryEnd);
        const int fd = ::openat(folder, name->constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Another instance cleaning up may have taken the name before the lock was held.
        ::flock(fd, LOCK_EX | LOCK_NB);
        struct stat opened, named;
        if (::fstat(fd, &opened) == 0 &&
            ::fstatat(folder, name->constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named))
            return fd;
        ::close(fd);
    }
    return -1;
}

// Folders whose file system cannot sync a directory say so; that is no failure of the save.
bool syncFolder(int folder)
{
    return ::fsync(folder) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
}

// Writes bytes to a temporary file in `folder`, syncs it and renames it over `name` (which is
// replaced as a name: a link there is not followed). The new file gets the extended attributes
// (ACL, user.*, security label) of `attributesOf` first, when one is given. False on any
// failure, with no temporary file left behind; *attributesLost says when the failure was that
// an attribute could not be given.
bool replaceAtomically(const QString& folderPath, const QString& name, const FileContent& content,
                       mode_t mode, bool keepMode, const QString& attributesOf = QString(),
                       bool* attributesLost = nullptr)
{
    Descriptor folder(
        ::open(native(folderPath.isEmpty() ? QStringLiteral(".") : folderPath).constData(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return false;
    removeStaleTemporaries(folder.get(), name);

    QByteArray temporary;
    // Private until written: the final permissions are set once every byte is there.
    Descriptor file(createTemporary(folder.get(), name, keepMode ? 0600 : 0666, &temporary));
    if (!file.valid())
        return false;
    // Before the mode: the mode restates an ACL's group bits, which setting the ACL replaces.
    if (!attributesOf.isEmpty() && !copyExtendedAttributes(attributesOf, file.get())) {
        ::unlinkat(folder.get(), temporary.constData(), 0);
        if (attributesLost)
            *attributesLost = true;
        return false;
    }
    // Permissions carry over where the file system keeps them (vfat keeps none).
    if (keepMode)
        ::fchmod(file.get(), mode);
    const bool written = content(file.get()) >= 0 && ::fdatasync(file.get()) == 0;
    // The lock goes with the descriptor, after the rename: until then the file is in use.
    if (!written || ::renameat(folder.get(), temporary.constData(), folder.get(),
                               native(name).constData()) != 0) {
        ::unlinkat(folder.get(), temporary.constData(), 0);
        return false;
    }
    // The new name itself is durable only once the folder is.
    return file.close() && syncFolder(folder.get());
}

struct Target
{
    QString folder;
    QString name;
};

Target splitPath(const QString& path)
{
    const QFileInfo info(path);
    return {info.path(), info.fileName()};
}

FileContent bytesContent(QByteArrayView bytes)
{
    return [bytes](int fd) { return writeAllAt(fd, bytes) ? bytes.size() : qsizetype(-1); };
}

// Has the disk start on what is written so far while the rest is being encoded, so the sync at
// the end waits for less. Only a hint: the sync still decides.
void startWriteBack(int fd, qsizetype& started, qsizetype written)
{
#if defined(__linux__)
    constexpr qsizetype kStep = 1024 * 1024;
    if (written - started >= kStep) {
        ::sync_file_range(fd, off_t(started), off_t(written - started), SYNC_FILE_RANGE_WRITE);
        started = written;
    }
#else
    Q_UNUSED(fd);
    Q_UNUSED(started);
    Q_UNUSED(written);
#endif
}

// The page's text encoded on the way out, a piece at a time: never a second copy of the page.
FileContent encodedContent(const TextRuns& text, const TextFormat& format, qsizetype* references)
{
    return [&text, &format, references](int fd) {
        qsizetype at = 0;
        qsizetype started = 0;
        const auto put = [fd, &at, &started](QByteArrayView piece) {
            if (!writeAllAt(fd, piece, at))
                return false;
            at += piece.size();
            startWriteBack(fd, started, at);
            return true;
        };
        return encodeDocumentInPieces(text, format, put, references) ? at : qsizetype(-1);
    };
}

// A page whose extended attributes cannot all be given to a new file is saved in place
// (which keeps them) when `inPlaceToKeepAttributes`, otherwise refused.
void writeAtomically(const QString& path, const FileContent& content,
                     bool inPlaceToKeepAttributes = false)
{
    const AppError failure(QStringLiteral("Cannot create file %1").arg(path));
    const QString target = resolveLinks(path);
    const QFileInfo info(target);
    if (info.isDir() || (info.exists() && !info.isWritable()))
        throw failure;
    struct stat old;
    const bool exists = ::stat(native(target).constData(), &old) == 0;
    const Target where = splitPath(target);
    bool attributesLost = false;
    if (where.name.isEmpty() ||
        !replaceAtomically(where.folder, where.name, content, exists ? old.st_mode & 07777 : 0,
                           exists, exists ? target : QString(), &attributesLost)) {
        if (attributesLost && inPlaceToKeepAttributes && writeInPlace(target, content))
            return;
        throw failure;
    }
}

// Writes a new file renamed over `path` itself: a link there is replaced, never followed. The
// preview file does this always; a page when its name became a link or another user's file.
void writeAsName(const QString& path, const FileContent& content, bool preview)
{
    const AppError failure(QStringLiteral("Cannot create file %1").arg(path));
    const Target where = splitPath(path);
    if (where.name.isEmpty())
        throw failure;
    struct stat entry, folder;
    const bool exists = ::lstat(native(path).constData(), &entry) == 0;
    if (exists && S_ISDIR(entry.st_mode))
        throw failure;
    // A file there is taken as it is: a read-only one stays unwritten, and its mode carries
    // over. A link (anyone's) is replaced, never followed.
    const bool regularFile = exists && S_ISREG(entry.st_mode);
    if (regularFile && ::access(native(path).constData(), W_OK) != 0)
        throw failure;
    // In a shared folder with the sticky bit only the owner may replace a name.
    const QString folderPath = where.folder.isEmpty() ? QStringLiteral(".") : where.folder;
    const uid_t me = ::geteuid();
    if (exists && entry.st_uid != me && me != 0 &&
        ::stat(native(folderPath).constData(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
        folder.st_uid != me) {
        if (!preview)
            throw failure;
        throw AppError(QStringLiteral("The preview file %1 belongs to another user. Choose another "
                                      "temporary file name in File | Preferences.")
                           .arg(path));
    }
    if (!replaceAtomically(where.folder, where.name, content,
                           regularFile ? entry.st_mode & 07777 : 0, regularFile))
        throw failure;
}

// Whether reaching `path` passes a symbolic link of another user in a shared folder (sticky
// bit). Following one would let a colleague's link to our own files turn a save of their page
// into a write over ours.
bool passesForeignLink(const QString& path)
{
    QString name = path;
    for (int hops = 0; hops < 32; ++hops) {
        struct stat link, folder;
        if (::lstat(native(name).constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            return false;
        const QFileInfo info(name);
        if (link.st_uid != ::geteuid() && ::stat(native(info.path()).constData(), &folder) == 0 &&
            (folder.st_mode & S_ISVTX))
            return true;
        name = info.symLinkTarget();
    }
    return false;
}

void writePage(const QString& path, const FileContent& content)
{
    if (passesForeignLink(path))
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
    const QString target = resolveLinks(path);
    if (!mustWriteInPlace(target)) {
        writeAtomically(path, content, true);
        return;
    }
    if (!writeInPlace(target, content))
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
}

} // namespace

bool isTemporaryFileOf(const QString& fileName, const QString& pageName)
{
    const QString pageFileName = temporaryStem(pageName);
    const qsizetype expected =
        pageFileName.size() + kTemporaryMark.size() + kTemporaryRandom + kTemporaryEnd.size();
    if (fileName.size() != expected || !fileName.startsWith(pageFileName) ||
        !fileName.endsWith(kTemporaryEnd) ||
        QStringView(fileName).mid(pageFileName.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    for (const QChar c :
         QStringView(fileName).mid(pageFileName.size() + kTemporaryMark.size(), kTemporaryRandom)) {
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    writeAtomically(path, bytesContent(bytes));
}

void writePreviewFile(const QString& path, const QByteArray& bytes)
{
    writeAsName(path, bytesContent(bytes), true);
}

void writePageFile(const QString& path, const QByteArray& bytes)
{
    writePage(path, bytesContent(bytes));
}

qsizetype writeDocumentFile(const QString& path, const TextRuns& text, const TextFormat& format)
{
    qsizetype references = 0;
    writePage(path, encodedContent(text, format, &references));
    return references;
}

qsizetype writePreviewFile(const QString& path, const TextRuns& text, const TextFormat& format)
{
    qsizetype references = 0;
    writeAsName(path, encodedContent(text, format, &references), true);
    return references;
}

qsizetype writeDocumentFileAsName(const QString& path, const TextRuns& text,
                                  const TextFormat& format)
{
    qsizetype references = 0;
    writeAsName(path, encodedContent(text, format, &references), false);
    return references;
}
