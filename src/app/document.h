#pragma once

#include "core/disk_identity.h"
#include "core/document_codec.h"

#include <QByteArray>
#include <QString>

// The page being edited, apart from its text (which lives in the editor): its file name, the
// format it is written back in (encoding, byte-order mark, line ends) and what its file was on
// disk when it was last read or written.
class Document
{
public:
    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    bool isUntitled() const;
    // The file name, or empty for an untitled page.
    QString path() const { return isUntitled() ? QString() : fileName_; }

    const TextFormat& format() const { return format_; }
    const DiskIdentity& diskIdentity() const { return identity_; }

    // A new, empty page: written as UTF-8 once saved.
    void reset();
    // Reads `path` (raises "Cannot open file %s"); returns the text as UTF-8 with LF line ends
    // and remembers the file's format and identity. The name is the caller's to set.
    QByteArray load(const QString& path);
    // Writes `text` to `path` in the page's format and remembers the identity of what was
    // written. Raises "Cannot create file %s". Returns how many characters went out as
    // character references.
    // `asName`: the name is replaced by a new file and never followed (it became a link or
    // another user's file since it was read).
    qsizetype save(const QString& path, const TextRuns& text, bool asName = false);
    // A page brought back from a recovery copy: written back as it was read, and compared with
    // the file as it was then.
    void restore(const TextFormat& format, const DiskIdentity& identity);

private:
    QString fileName_;
    TextFormat format_;
    DiskIdentity identity_;
};
