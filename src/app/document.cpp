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

qsizetype Document::save(const QString& path, const TextRuns& text)
{
    const qsizetype references = writeDocumentFile(path, text, format_);
    identity_ = DiskIdentity::of(path);
    return references;
}
