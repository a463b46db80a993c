#pragma once

#include <QByteArray>
#include <QString>

// Whether a save must rewrite the file itself rather than rename a new file over it, because
// the rename would change what the file is: the folder is not writable but the file is, the
// file has more than one hard link, or a new file would not get the file's owner and group.
// `target` is the file itself (symbolic links already followed); a missing file never is.
bool mustWriteInPlace(const QString& target);

// Overwrites the file's bytes where they lie: every write, the truncation and the sync are
// checked. On any failure the old bytes are written back and false is returned. The file's
// mode, owner, group and links stay as they are.
bool writeInPlace(const QString& target, const QByteArray& bytes);

// Writes all of `bytes` from the file's start, every piece checked (a fresh or a rewritten file).
bool writeAllAt(int fd, const QByteArray& bytes);
