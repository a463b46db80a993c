#pragma once

#include "core/document_codec.h"

#include <QByteArray>
#include <QString>

// Reads a page from disk. Raises "Cannot open file %s" when it cannot be read.
EditorBytes readDocumentFile(const QString& path);

// What a write is for. A page stays the file it is (its links, owner and group); a scratch copy
// such as the preview file is simply replaced.
enum class WriteTarget { Page, Copy };

// Writes editor text (UTF-8, LF) to disk in `format` with CR LF line ends. A page is written
// atomically where a rename keeps it the same file, otherwise in place (writePageFile).
// Raises "Cannot create file %s" on any failure. Returns how many characters went out as
// character references because the page's code page cannot hold them.
qsizetype writeDocumentFile(const QString& path, const TextRuns& text, const TextFormat& format,
                            WriteTarget target = WriteTarget::Page);
inline qsizetype writeDocumentFile(const QString& path, const char* utf8, qsizetype size,
                                   const TextFormat& format, WriteTarget target = WriteTarget::Page)
{
    return writeDocumentFile(path, TextRuns{QByteArrayView(utf8, size), {}}, format, target);
}

// Writes a page's bytes: atomically as a rule, in place when renaming a new file over it would
// change what the file is (see mustWriteInPlace). A failed in-place write puts the old bytes
// back. Raises "Cannot create file %s".
void writePageFile(const QString& path, const QByteArray& bytes);

// Writes already encoded bytes atomically (same checks and message).
void writeFileAtomically(const QString& path, const QByteArray& bytes);
