#include "core/document_file.h"

#include "core/app_error.h"
#include "core/in_place_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

EditorBytes readDocumentFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    return decodeDocument(std::move(bytes));
}

namespace {

// A page reached through a symbolic link is written where the link points, so the link stays.
QString resolveLinks(const QString& path)
{
    QString target = path;
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

} // namespace

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const AppError failure(QStringLiteral("Cannot create file %1").arg(path));
    const QString target = resolveLinks(path);
    const QFileInfo info(target);
    if (info.isDir() || (info.exists() && !info.isWritable()))
        throw failure;

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw failure;
    // A short write or a failed flush can leave commit() reporting success over a truncated
    // temporary file, so each step is checked before the rename.
    const qint64 written = file.write(bytes);
    if (written != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        file.commit();
        throw failure;
    }
    if (!file.commit())
        throw failure;
}

void writePageFile(const QString& path, const QByteArray& bytes)
{
    const QString target = resolveLinks(path);
    if (!mustWriteInPlace(target)) {
        writeFileAtomically(path, bytes);
        return;
    }
    if (!writeInPlace(target, bytes))
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
}

qsizetype writeDocumentFile(const QString& path, const TextRuns& text, const TextFormat& format,
                            WriteTarget target)
{
    qsizetype references = 0;
    const QByteArray bytes = encodeDocument(text, format, &references);
    if (target == WriteTarget::Page)
        writePageFile(path, bytes);
    else
        writeFileAtomically(path, bytes);
    return references;
}
