#include "core/recovery_store.h"

#include "core/app_error.h"
#include "core/document_file.h"
#include "core/in_place_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLockEnd = QStringLiteral(".lock");
const QString kCopyEnd = QStringLiteral(".copy");
const QByteArray kCopyMagic = "VORLANE-RECOVERY 1\n";

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString randomName(int length)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name;
    for (int i = 0; i < length; ++i)
        name += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(36)]);
    return name;
}

bool syncFolder(int folder)
{
    return ::fsync(folder) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EROFS;
}

// Opens `path` for locking without following a link; -1 when it is not our regular file.
int openOwnFile(const QString& path, int flags)
{
    const int fd = ::open(native(path).constData(),
                          flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    struct stat info;
    if (fd >= 0 &&
        (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether nobody holds the lock on `path` (a missing file counts as free).
bool isFree(const QString& path)
{
    const int fd = openOwnFile(path, O_RDONLY);
    if (fd < 0)
        return !QFileInfo::exists(path);
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

QByteArray readSmallFile(const QString& path)
{
    const int fd = openOwnFile(path, O_RDONLY);
    if (fd < 0)
        return QByteArray();
    QFile file;
    QByteArray bytes;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        bytes = file.readAll();
    return bytes;
}

QByteArray field(const QByteArray& line, const QByteArray& key)
{
    return line.startsWith(key + '=') ? line.mid(key.size() + 1) : QByteArray();
}

} // namespace

QString recoveryFolder()
{
    QString state = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    // Only an absolute path counts; a relative one is to be ignored.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/vorlane/recovery");
}

QString ensureRecoveryFolder()
{
    const QString folder = recoveryFolder();
    QDir().mkpath(QFileInfo(folder).path());
    ::mkdir(native(folder).constData(), 0700);
    struct stat info;
    if (::lstat(native(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return QString();
    if ((info.st_mode & 077) != 0 && ::chmod(native(folder).constData(), 0700) != 0)
        return QString();
    return folder;
}

bool writePrivateFile(const QString& folderPath, const QString& name, const QByteArray& bytes)
{
    const int folder = ::open(native(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    const QByteArray temporary = native(name + QStringLiteral(".") + randomName(6) + ".tmp");
    const int fd = ::openat(folder, temporary.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool done = false;
    if (fd >= 0) {
        done = writeAllAt(fd, bytes) && ::fdatasync(fd) == 0;
        done = ::close(fd) == 0 && done;
        done = done &&
               ::renameat(folder, temporary.constData(), folder, native(name).constData()) == 0;
        if (!done)
            ::unlinkat(folder, temporary.constData(), 0);
        done = done && syncFolder(folder);
    }
    ::close(folder);
    return done;
}

// ---- recovery copies ----

QByteArray encodeRecoveryCopy(const RecoveryCopy& copy)
{
    return encodeRecoveryCopy(copy, TextRuns{copy.utf8, {}});
}

QByteArray encodeRecoveryCopy(const RecoveryCopy& copy, const TextRuns& text)
{
    QByteArray bytes = kCopyMagic;
    bytes += "name=" + copy.pageName.toUtf8().toPercentEncoding() + '\n';
    bytes += "encoding=" + QByteArray::number(int(copy.format.encoding)) + '\n';
    bytes += "tail=" + copy.format.oddTail.toHex() + '\n';
    bytes += "caret=" + QByteArray::number(copy.caretLine) + '\n';
    bytes += "changed=" + QByteArray::number(copy.changed.toMSecsSinceEpoch()) + '\n';
    const DiskIdentity& d = copy.disk;
    bytes += "disk=" + QByteArray::number(d.exists) + ' ' + QByteArray::number(quint64(d.device)) +
             ' ' + QByteArray::number(quint64(d.inode)) + ' ' + QByteArray::number(d.size) + ' ' +
             QByteArray::number(d.modifiedNs) + ' ' + QByteArray::number(quint64(d.owner)) + ' ' +
             QByteArray::number(d.isLink) + '\n';
    bytes += "link=" + d.linkTarget.toUtf8().toPercentEncoding() + '\n';
    const qsizetype length = text.first.size() + text.second.size();
    bytes += "length=" + QByteArray::number(length) + "\n\n";
    bytes.reserve(bytes.size() + length);
    bytes.append(text.first);
    bytes.append(text.second);
    return bytes;
}

std::optional<RecoveryCopy> decodeRecoveryCopy(const QByteArray& bytes)
{
    if (!bytes.startsWith(kCopyMagic))
        return std::nullopt;
    const qsizetype end = bytes.indexOf("\n\n");
    if (end < 0)
        return std::nullopt;
    RecoveryCopy copy;
    qsizetype length = -1;
    bool encodingOk = false;
    for (const QByteArray& line :
         bytes.mid(kCopyMagic.size(), end - kCopyMagic.size()).split('\n')) {
        if (line.startsWith("name="))
            copy.pageName = QString::fromUtf8(QByteArray::fromPercentEncoding(field(line, "name")));
        else if (line.startsWith("encoding=")) {
            const int e = field(line, "encoding").toInt(&encodingOk);
            encodingOk =
                encodingOk && e >= int(TextEncoding::Utf8) && e <= int(TextEncoding::Utf16BE);
            if (encodingOk)
                copy.format.encoding = TextEncoding(e);
        } else if (line.startsWith("tail="))
            copy.format.oddTail = QByteArray::fromHex(field(line, "tail"));
        else if (line.startsWith("caret="))
            copy.caretLine = field(line, "caret").toInt();
        else if (line.startsWith("changed="))
            copy.changed = QDateTime::fromMSecsSinceEpoch(field(line, "changed").toLongLong());
        else if (line.startsWith("disk=")) {
            const QList<QByteArray> parts = field(line, "disk").split(' ');
            if (parts.size() == 7) {
                copy.disk.owner = uid_t(parts[5].toULongLong());
                copy.disk.isLink = parts[6] == "1";
                copy.disk.exists = parts[0] == "1";
                copy.disk.device = dev_t(parts[1].toULongLong());
                copy.disk.inode = ino_t(parts[2].toULongLong());
                copy.disk.size = parts[3].toLongLong();
                copy.disk.modifiedNs = parts[4].toLongLong();
            }
        } else if (line.startsWith("link="))
            copy.disk.linkTarget =
                QString::fromUtf8(QByteArray::fromPercentEncoding(field(line, "link")));
        else if (line.startsWith("length="))
            length = field(line, "length").toLongLong();
    }
    copy.utf8 = bytes.mid(end + 2);
    // A copy cut short is no copy.
    if (!encodingOk || length != copy.utf8.size())
        return std::nullopt;
    return copy;
}

RecoverySlot::RecoverySlot() : folder_(ensureRecoveryFolder())
{
    if (folder_.isEmpty())
        return;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        id_ = QString::number(::getpid()) + QLatin1Char('-') + randomName(8);
        fd_ = openOwnFile(folder_ + QLatin1Char('/') + id_ + kLockEnd, O_RDWR | O_CREAT | O_EXCL);
    }
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RecoverySlot::~RecoverySlot()
{
    release(true);
}

void RecoverySlot::release(bool removeFiles)
{
    if (fd_ < 0)
        return;
    if (removeFiles) {
        QFile::remove(copyPath());
        QFile::remove(folder_ + QLatin1Char('/') + id_ + kLockEnd);
    }
    ::close(fd_);
    fd_ = -1;
}

QString RecoverySlot::copyPath() const
{
    return folder_.isEmpty() ? QString() : folder_ + QLatin1Char('/') + id_ + kCopyEnd;
}

void RecoverySlot::setPageName(const QString& name)
{
    if (fd_ < 0)
        return;
    const QByteArray bytes = name.toUtf8();
    if (::ftruncate(fd_, 0) == 0)
        writeAllAt(fd_, bytes);
}

bool RecoverySlot::adopt(const QString& id)
{
    if (folder_.isEmpty() || id.contains(QLatin1Char('/')))
        return false;
    const int fd = openOwnFile(folder_ + QLatin1Char('/') + id + kLockEnd, O_RDWR | O_CREAT);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    release(true);
    fd_ = fd;
    id_ = id;
    return true;
}

QList<RecoveryCopy> orphanedRecoveryCopies()
{
    QList<RecoveryCopy> copies;
    const QString folder = ensureRecoveryFolder();
    if (folder.isEmpty())
        return copies;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*") + kLockEnd}, QDir::Files)) {
        const QString id = name.chopped(kLockEnd.size());
        if (!QFileInfo::exists(dir.filePath(id + kCopyEnd)) && isFree(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
    }
    for (const QString& name : dir.entryList({QStringLiteral("*") + kCopyEnd}, QDir::Files)) {
        const QString id = name.chopped(kCopyEnd.size());
        if (!isFree(dir.filePath(id + kLockEnd)))
            continue;
        std::optional<RecoveryCopy> copy = decodeRecoveryCopy(readSmallFile(dir.filePath(name)));
        if (!copy)
            continue;
        copy->id = id;
        copies.append(std::move(*copy));
    }
    std::stable_sort(
        copies.begin(), copies.end(),
        [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.changed > b.changed; });
    return copies;
}

void removeRecoveryCopy(const QString& id)
{
    const QString folder = recoveryFolder();
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return;
    QFile::remove(folder + QLatin1Char('/') + id + kCopyEnd);
    if (isFree(folder + QLatin1Char('/') + id + kLockEnd))
        QFile::remove(folder + QLatin1Char('/') + id + kLockEnd);
}

bool isOpenInAnotherWindow(const QString& pageName, const QString& ownId)
{
    const QDir dir(recoveryFolder());
    for (const QString& name : dir.entryList({QStringLiteral("*") + kLockEnd}, QDir::Files)) {
        if (name == ownId + kLockEnd)
            continue;
        const QString path = dir.filePath(name);
        if (QString::fromUtf8(readSmallFile(path)) == pageName && !isFree(path))
            return true;
    }
    return false;
}

// ---- the writer thread ----

namespace {

// Every writer of the process, so that a fork never copies a writer's lock while its thread
// holds it (the child would wait for that lock forever).
std::mutex writersMutex;
QList<RecoveryWriter*>& writers()
{
    static QList<RecoveryWriter*> all;
    return all;
}

} // namespace

RecoveryWriter::RecoveryWriter()
{
    static const int registered =
        ::pthread_atfork(&RecoveryWriter::beforeFork, &RecoveryWriter::afterForkInParent,
                         &RecoveryWriter::afterForkInChild);
    Q_UNUSED(registered);
    {
        std::lock_guard lock(writersMutex);
        writers().append(this);
    }
    thread_ = std::make_unique<std::thread>([this] { run(); });
}

RecoveryWriter::~RecoveryWriter()
{
    {
        std::lock_guard lock(writersMutex);
        writers().removeOne(this);
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (threadGone_) {
        (void)thread_.release(); // belongs to the parent process
        return;
    }
    thread_->join();
}

void RecoveryWriter::beforeFork()
{
    writersMutex.lock();
    for (RecoveryWriter* writer : writers())
        writer->mutex_.lock();
}

void RecoveryWriter::afterForkInParent()
{
    for (RecoveryWriter* writer : writers())
        writer->mutex_.unlock();
    writersMutex.unlock();
}

void RecoveryWriter::afterForkInChild()
{
    for (RecoveryWriter* writer : writers()) {
        writer->threadGone_ = true;
        writer->busy_ = false;
        writer->mutex_.unlock();
    }
    writersMutex.unlock();
}

void RecoveryWriter::doJob(const QString& path, const QByteArray& bytes, bool remove)
{
    const QFileInfo info(path);
    if (remove)
        QFile::remove(path);
    else
        writePrivateFile(info.path(), info.fileName(), bytes);
}

void RecoveryWriter::write(const QString& path, QByteArray bytes)
{
    if (threadGone_) {
        doJob(path, bytes, false);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = Job{path, std::move(bytes), false};
    }
    wake_.notify_all();
}

void RecoveryWriter::remove(const QString& path)
{
    if (threadGone_) {
        doJob(path, QByteArray(), true);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = Job{path, QByteArray(), true};
    }
    wake_.notify_all();
}

void RecoveryWriter::flush()
{
    if (threadGone_) {
        std::optional<Job> job;
        {
            std::lock_guard lock(mutex_);
            job.swap(pending_);
        }
        if (job)
            doJob(job->path, job->bytes, job->remove);
        return;
    }
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !pending_ && !busy_; });
}

void RecoveryWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_)
            return;
        const Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        doJob(job.path, job.bytes, job.remove);
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

// ---- interrupted in-place saves ----

QList<InterruptedSave> interruptedSaves()
{
    QList<InterruptedSave> saves;
    const QString folder = ensureRecoveryFolder();
    if (folder.isEmpty())
        return saves;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + QLatin1String(kJournalEnd)}, QDir::Files)) {
        const QString path = dir.filePath(name);
        const int fd = openOwnFile(path, O_RDONLY);
        // A save still running holds its journal locked.
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        QFile file;
        QByteArray bytes;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            bytes = file.readAll();
        file.close();
        const std::optional<SaveJournal> journal = parseSaveJournal(bytes);
        if (!journal) {
            // Killed while the journal itself was written: the page was not touched yet.
            QFile::remove(path);
            continue;
        }
        const QString page = QFile::decodeName(journal->pageName);
        bool untouched = false;
        try {
            untouched = readRegularFile(page) == journal->oldBytes;
        } catch (const AppError&) {
        }
        if (journal->finished || untouched) {
            QFile::remove(path);
            continue;
        }
        saves.append({path, page, journal->oldBytes});
    }
    return saves;
}

void restoreInterruptedSave(const InterruptedSave& save)
{
    writePageFile(save.pageName, save.oldBytes);
    QFile::remove(save.journal);
}

void discardInterruptedSave(const InterruptedSave& save)
{
    QFile::remove(save.journal);
}
