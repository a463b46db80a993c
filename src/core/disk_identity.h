#pragma once

#include <QString>

#include <sys/types.h>

// What a file on disk is at one moment: enough to tell that another program has changed,
// replaced, moved or deleted it since.
struct DiskIdentity
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0; // modification time, in nanoseconds since the epoch
    uid_t owner = 0;
    bool isLink = false; // the name itself is a symbolic link
    QString linkTarget;  // where it leads, as written in the link

    bool operator==(const DiskIdentity&) const = default;

    // The identity of the file `path` names now (the file a link leads to, plus the link).
    static DiskIdentity of(const QString& path);
};
