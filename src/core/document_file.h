#pragma once

#include "core/document_codec.h"

#include <QByteArray>
#include <QString>

// Reads a page from disk. Raises "Cannot open file %s" when it cannot be read.
EditorBytes readDocumentFile(const QString& path);

// Writes editor text (UTF-8, LF) to disk with CR LF line ends, in `encoding` when it can hold
// the text. The write is atomic: the old file stays intact unless every byte reached the disk.
// Raises "Cannot create file %s" on any failure. Returns the encoding written.
TextEncoding writeDocumentFile(const QString& path, const TextRuns& text, TextEncoding encoding);
inline TextEncoding writeDocumentFile(const QString& path, const char* utf8, qsizetype size,
                                      TextEncoding encoding)
{
    return writeDocumentFile(path, TextRuns{QByteArrayView(utf8, size), {}}, encoding);
}

// Writes already encoded bytes atomically (same checks and message).
void writeFileAtomically(const QString& path, const QByteArray& bytes);
