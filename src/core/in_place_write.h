#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

// Whether a save must rewrite the file itself rather than rename a new file over it, because
// the rename would change what the file is: the folder is not writable but the file is, the
// file has more than one hard link, or a new file would not get the file's owner and group.
// `target` is the file itself (symbolic links already followed); a missing file never is.
bool mustWriteInPlace(const QString& target);

// Writes a file's whole new content from its start; returns how many bytes that was, or -1
// when a write failed.
using FileContent = std::function<qsizetype(int fd)>;

// Overwrites the file's bytes where they lie: every write, the truncation and the sync are
// checked. On any failure the old bytes are written back and false is returned. The file's
// mode, owner, group and links stay as they are.
bool writeInPlace(const QString& target, const FileContent& content);

// Writes all of `bytes` at `offset`, every piece checked.
bool writeAllAt(int fd, QByteArrayView bytes, qsizetype offset = 0);

// Before a page is overwritten in place, its old bytes go to a journal in the recovery folder
// (synced), so a save killed half-way can be undone at the next start. The journal is
// "VORLANE-SAVE 0\n", the page's name (percent-encoded), the old size, and the old bytes;
// the 0 becomes 1 once the new bytes are whole. A save holds its journal locked.
inline constexpr char kJournalEnd[] = ".journal";
struct SaveJournal
{
    QByteArray pageName; // as the file system spells it
    bool finished = false;
    QByteArray oldBytes;
};
QByteArray encodeSaveJournalHeader(const QByteArray& pageName, qsizetype oldSize);
// Nothing for a journal cut short.
std::optional<SaveJournal> parseSaveJournal(const QByteArray& bytes);
