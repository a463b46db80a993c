#pragma once

#include "core/document_codec.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Reads a page from disk. Only a regular file is read (a pipe, a device or a folder is refused
// before anything is read from it), and a read error anywhere in the file refuses the whole
// file: either way "Cannot open file %s" is raised and nothing is returned.
EditorBytes readDocumentFile(const QString& path);
// The same bytes, undecoded.
QByteArray readRegularFile(const QString& path);

// Writes editor text (UTF-8, LF) to disk in `format` with CR LF line ends. A page is written
// atomically where a rename keeps it the same file, otherwise in place (writePageFile). A
// symbolic link of another user in a shared folder (sticky bit) is never followed.
// Raises "Cannot create file %s" on any failure. Returns how many characters went out as
// character references because the page's code page cannot hold them.
qsizetype writeDocumentFile(const QString& path, const TextRuns& text, const TextFormat& format);
inline qsizetype writeDocumentFile(const QString& path, const char* utf8, qsizetype size,
                                   const TextFormat& format)
{
    return writeDocumentFile(path, TextRuns{QByteArrayView(utf8, size), {}}, format);
}

// As writeDocumentFile, but `path` is replaced as a name, like the preview file: a link there
// is not followed, and a name another user holds in a shared folder is refused.
qsizetype writeDocumentFileAsName(const QString& path, const TextRuns& text,
                                  const TextFormat& format);

// Writes a page's bytes: atomically as a rule, in place when renaming a new file over it would
// change what the file is (see mustWriteInPlace). A failed in-place write puts the old bytes
// back. Raises "Cannot create file %s".
void writePageFile(const QString& path, const QByteArray& bytes);

// Writes already encoded bytes atomically (same checks and message). A page reached through
// symbolic links is written where they lead, and the links stay.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Writes a preview file: like writeFileAtomically, but a symbolic link at `path` is never
// followed; the new file replaces the link itself. A name another user holds in a shared
// folder (sticky bit) cannot be replaced and is refused with its own message. Never in place:
// a preview file hard-linked to the page would overwrite the page.
void writePreviewFile(const QString& path, const QByteArray& bytes);
qsizetype writePreviewFile(const QString& path, const TextRuns& text, const TextFormat& format);

// The temporary file a save writes first is called "<page>.vorlane-XXXXXX.tmp". One left by a
// save that never finished (a crash, a power cut) is removed by the page's next save, unless
// a running save still holds it.
bool isTemporaryFileOf(const QString& fileName, const QString& pageFileName);

// The read(2) every page load goes through; tests put in one that fails part-way.
class FileReads
{
public:
    virtual ~FileReads() = default;
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
};
void setFileReads(FileReads* reads); // nullptr restores the system's
