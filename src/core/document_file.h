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

// Writes editor text (UTF-8, LF) to disk with CR LF line ends, in `encoding` when it can hold
// the text. The write is atomic: the old file stays intact unless every byte reached the disk.
// Raises "Cannot create file %s" on any failure. Returns the encoding written.
TextEncoding writeDocumentFile(const QString& path, const TextRuns& text, TextEncoding encoding);
inline TextEncoding writeDocumentFile(const QString& path, const char* utf8, qsizetype size,
                                      TextEncoding encoding)
{
    return writeDocumentFile(path, TextRuns{QByteArrayView(utf8, size), {}}, encoding);
}

// Writes already encoded bytes atomically (same checks and message). A page reached through
// symbolic links is written where they lead, and the links stay.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Writes a preview file: like writeFileAtomically, but a symbolic link at `path` is never
// followed; the new file replaces the link itself. A name another user holds in a shared
// folder (sticky bit) cannot be replaced and is refused with its own message.
void writePreviewFile(const QString& path, const QByteArray& bytes);
TextEncoding writePreviewFile(const QString& path, const TextRuns& text, TextEncoding encoding);

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
