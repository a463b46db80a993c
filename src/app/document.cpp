#include "app/document.h"

#include "core/document_file.h"
#include "core/file_names.h"

bool Document::isUntitled() const
{
    return fileName_.isEmpty() || fileName_ == kUntitled;
}

void Document::reset()
{
    format_ = TextFormat();
    identity_ = DiskIdentity();
}

QByteArray Document::load(const QString& path)
{
    EditorBytes loaded = readDocumentFile(path);
    format_ = std::move(loaded.format);
    identity_ = DiskIdentity::of(path);
    return std::move(loaded.utf8);
}

void Document::restore(const TextFormat& format, const DiskIdentity& identity)
{
    format_ = format;
    identity_ = identity;
}

qsizetype Document::save(const QString& path, const TextRuns& text, bool asName)
{
    const qsizetype references = asName ? writeDocumentFileAsName(path, text, format_)
                                        : writeDocumentFile(path, text, format_);
    identity_ = DiskIdentity::of(path);
    return references;
}
