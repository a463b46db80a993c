#include "core/disk_identity.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

DiskIdentity DiskIdentity::of(const QString& path)
{
    DiskIdentity identity;
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::lstat(name.constData(), &info) != 0)
        return identity;
    if (S_ISLNK(info.st_mode)) {
        identity.isLink = true;
        QByteArray target(qMax<qsizetype>(256, info.st_size + 1), '\0');
        const ssize_t n = ::readlink(name.constData(), target.data(), size_t(target.size()));
        if (n >= 0)
            identity.linkTarget = QFile::decodeName(target.left(n));
        if (::stat(name.constData(), &info) != 0)
            return identity; // a link that leads nowhere
    }
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    identity.owner = info.st_uid;
    return identity;
}
