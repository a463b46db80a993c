#include "core/file_attributes.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/xattr.h>
#endif

#ifdef Q_OS_LINUX

namespace {

const char kAccessAcl[] = "system.posix_acl_access";

// The list or value a call fills in, retried while it grows between the two calls. Null
// when the call failed; `missing` says whether it failed because there was nothing.
template <typename Call> QByteArray fetched(Call call, bool* missing)
{
    *missing = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) {
            *missing = errno == ENODATA || errno == ENOTSUP;
            return QByteArray();
        }
        QByteArray bytes(qsizetype(size), '\0');
        const ssize_t got = call(bytes.data(), size_t(bytes.size()));
        if (got >= 0) {
            bytes.truncate(got);
            if (bytes.isNull())
                bytes = QByteArray(""); // an empty value is still a value
            return bytes;
        }
        if (errno != ERANGE) {
            *missing = errno == ENODATA || errno == ENOTSUP;
            return QByteArray();
        }
    }
    return QByteArray();
}

QList<QByteArray> namesOf(const QByteArray& list)
{
    QList<QByteArray> names;
    for (const QByteArray& name : list.split('\0'))
        if (!name.isEmpty())
            names.append(name);
    return names;
}

bool holds(int fd, const char* name, const QByteArray& value)
{
    bool missing = false;
    const QByteArray now = fetched(
        [&](char* buffer, size_t size) { return ::fgetxattr(fd, name, buffer, size); }, &missing);
    return !now.isNull() && now == value;
}

} // namespace

bool copyExtendedAttributes(const QString& from, int to)
{
    const QByteArray path = QFile::encodeName(from);
    bool missing = false;
    const QByteArray list = fetched(
        [&](char* buffer, size_t size) { return ::listxattr(path.constData(), buffer, size); },
        &missing);
    if (list.isNull() && !missing)
        return false;
    const QList<QByteArray> names = namesOf(list);
    for (const QByteArray& name : names) {
        const QByteArray value = fetched(
            [&](char* buffer, size_t size) {
                return ::getxattr(path.constData(), name.constData(), buffer, size);
            },
            &missing);
        if (value.isNull()) {
            if (missing)
                continue; // removed meanwhile
            return false;
        }
        // A label the new file was given already (SELinux) needs no permission to keep.
        if (::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0) != 0 &&
            !holds(to, name.constData(), value))
            return false;
    }
    if (!names.contains(QByteArray(kAccessAcl)) && ::fremovexattr(to, kAccessAcl) != 0 &&
        errno != ENODATA && errno != ENOTSUP)
        return false;
    return true;
}

#else

bool copyExtendedAttributes(const QString&, int)
{
    return true;
}

#endif
