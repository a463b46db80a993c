#include "core/in_place_write.h"

#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
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
    if (!readAll(fd, old)) {
        ::close(fd);
        return false;
    }
    if (replaceBytes(fd, content)) {
        // After a successful sync the bytes are on the disk; close has nothing left to report.
        ::close(fd);
        return true;
    }
    replaceBytes(fd, [&old](int to) { return writeAllAt(to, old) ? old.size() : -1; });
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
