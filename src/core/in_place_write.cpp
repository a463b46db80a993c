#include "core/in_place_write.h"

#include "core/recovery_store.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX

bool writeAllAt(int fd, QByteArrayView bytes, qsizetype offset)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

namespace {

bool canWrite(const QByteArray& path)
{
    return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool readAll(int fd, QByteArray& out)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    out.reserve(qsizetype(st.st_size) + 1);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(out.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, n);
    }
}

// The journal of one in-place save; see encodeSaveJournalHeader.
class SaveJournalFile
{
public:
    SaveJournalFile() = default;
    SaveJournalFile(const SaveJournalFile&) = delete;
    SaveJournalFile& operator=(const SaveJournalFile&) = delete;
    ~SaveJournalFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (folder_ >= 0)
            ::close(folder_);
    }

    // Writes and syncs the old bytes; false when they cannot be kept.
    bool open(const QByteArray& pageName, const QByteArray& old)
    {
        const QString folderPath = ensureRecoveryFolder();
        if (folderPath.isEmpty())
            return false;
        folder_ =
            ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder_ < 0)
            return false;
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            name_ = "save-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
                    kJournalEnd;
            fd_ = ::openat(folder_, name_.constData(),
                           O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST)
                return false;
        }
        if (fd_ < 0)
            return false;
        ::flock(fd_, LOCK_EX | LOCK_NB);
        const QByteArray header = encodeSaveJournalHeader(pageName, old.size());
        if (writeAllAt(fd_, header) && writeAllAt(fd_, old, header.size()) &&
            ::fdatasync(fd_) == 0 &&
            (::fsync(folder_) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS))
            return true;
        discard();
        return false;
    }
    // The new bytes are whole: the journal is no longer needed (and says so if the removal is
    // cut short).
    void finish()
    {
        writeAllAt(fd_, "1", kFinishedFlagAt);
        discard();
    }
    void discard()
    {
        ::unlinkat(folder_, name_.constData(), 0);
        ::close(fd_);
        fd_ = -1;
    }

    static constexpr qsizetype kFinishedFlagAt = 13;

private:
    int folder_ = -1;
    int fd_ = -1;
    QByteArray name_;
};

// The new bytes go over the old ones before the file is cut to size, so a write that fails
// early (a size limit, a full disk) has not yet freed anything the old bytes need.
bool replaceBytes(int fd, const FileContent& content)
{
    const qsizetype written = content(fd);
    return written >= 0 && ::ftruncate(fd, off_t(written)) == 0 && ::fsync(fd) == 0;
}

} // namespace

bool mustWriteInPlace(const QString& target)
{
    const QByteArray path = QFile::encodeName(target);
    struct stat file;
    if (::stat(path.constData(), &file) != 0 || !S_ISREG(file.st_mode) || !canWrite(path))
        return false;
    if (file.st_nlink > 1)
        return true;
    const QByteArray folderPath = folderOf(path);
    if (!canWrite(folderPath))
        return true;
    struct stat folder;
    if (::stat(folderPath.constData(), &folder) != 0)
        return false;
    // A new file belongs to whoever saves it, in the folder's group where the folder says so.
    const gid_t newGroup = (folder.st_mode & S_ISGID) ? folder.st_gid : ::getegid();
    return file.st_uid != ::geteuid() || file.st_gid != newGroup;
}

bool writeInPlace(const QString& target, const FileContent& content)
{
    const int fd =
        ::open(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    QByteArray old;
    // Without a journal a kill half-way would tear the page: no journal, no save.
    SaveJournalFile journal;
    if (!readAll(fd, old) ||
        !journal.open(QFile::encodeName(QFileInfo(target).absoluteFilePath()), old)) {
        ::close(fd);
        return false;
    }
    if (replaceBytes(fd, content)) {
        // After a successful sync the bytes are on the disk; close has nothing left to report.
        ::close(fd);
        journal.finish();
        return true;
    }
    // The journal stays if the old bytes could not be put back: it is the only copy left.
    if (replaceBytes(fd, [&old](int to) { return writeAllAt(to, old) ? old.size() : -1; }))
        journal.discard();
    ::close(fd);
    return false;
}

#else

bool mustWriteInPlace(const QString&)
{
    return false;
}

bool writeInPlace(const QString&, const FileContent&)
{
    return false;
}

#endif

namespace {
const QByteArray kJournalMagic = "VORLANE-SAVE ";
}

QByteArray encodeSaveJournalHeader(const QByteArray& pageName, qsizetype oldSize)
{
    return kJournalMagic + "0\n" + pageName.toPercentEncoding() + '\n' +
           QByteArray::number(oldSize) + '\n';
}

std::optional<SaveJournal> parseSaveJournal(const QByteArray& bytes)
{
    if (!bytes.startsWith(kJournalMagic) || bytes.size() < kJournalMagic.size() + 2 ||
        bytes.at(kJournalMagic.size() + 1) != '\n')
        return std::nullopt;
    const qsizetype nameStart = kJournalMagic.size() + 2;
    const qsizetype nameEnd = bytes.indexOf('\n', nameStart);
    const qsizetype sizeEnd = nameEnd < 0 ? -1 : bytes.indexOf('\n', nameEnd + 1);
    if (sizeEnd < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype oldSize = bytes.mid(nameEnd + 1, sizeEnd - nameEnd - 1).toLongLong(&ok);
    if (!ok || bytes.size() - sizeEnd - 1 != oldSize)
        return std::nullopt;
    SaveJournal journal;
    journal.pageName = QByteArray::fromPercentEncoding(bytes.mid(nameStart, nameEnd - nameStart));
    journal.finished = bytes.at(kJournalMagic.size()) == '1';
    journal.oldBytes = bytes.mid(sizeEnd + 1);
    return journal;
}
