#include "core/recovery_store.h"

#include "core/app_error.h"
#include "core/document_file.h"
#include "core/file_names.h"
#include "core/in_place_write.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// Straight from the system's source: a few letters cost less than seeding the global
// generator, which takes hundreds of words from it, and this runs at every start-up.
QString randomName(int length)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name;
    for (int i = 0; i < length; ++i)
        name += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(36)]);
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
    return writePrivateFile(folderPath, name, {QByteArrayView(bytes)});
}

bool writePrivateFile(const QString& folderPath, const QString& name,
                      std::initializer_list<QByteArrayView> pieces)
{
    const int folder = ::open(native(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    const QByteArray temporary = native(name + QStringLiteral(".") + randomName(6) + ".tmp");
    const int fd = ::openat(folder, temporary.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool done = false;
    if (fd >= 0) {
        done = true;
        qsizetype offset = 0;
        for (const QByteArrayView piece : pieces) {
            done = done && writeAllAt(fd, piece, offset);
            offset += piece.size();
        }
        done = done && ::fdatasync(fd) == 0;
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

QByteArray recoveryCopyHeader(const RecoveryCopy& copy, qsizetype length)
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
    bytes += "length=" + QByteArray::number(length) + "\n\n";
    return bytes;
}

QByteArray encodeRecoveryCopy(const RecoveryCopy& copy, const TextRuns& text)
{
    const qsizetype length = text.first.size() + text.second.size();
    QByteArray bytes = recoveryCopyHeader(copy, length);
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
    for (const QString& name : filesEndingWith(folder, kLockEnd)) {
        const QString id = name.chopped(kLockEnd.size());
        if (!QFileInfo::exists(dir.filePath(id + kCopyEnd)) && isFree(dir.filePath(name)))
            QFile::remove(dir.filePath(name));
    }
    for (const QString& name : filesEndingWith(folder, kCopyEnd)) {
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
    for (const QString& name : filesEndingWith(dir.path(), kLockEnd)) {
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

// ---- the kept text ----

void RecoveryWriter::GapText::moveGap(qsizetype position)
{
    if (position == gapStart_)
        return;
    char* data = bytes_.data();
    const qsizetype gap = gapEnd_ - gapStart_;
    if (position < gapStart_)
        std::memmove(data + position + gap, data + position, size_t(gapStart_ - position));
    else if (position > gapStart_)
        std::memmove(data + gapStart_, data + gapEnd_, size_t(position - gapStart_));
    gapStart_ = position;
    gapEnd_ = position + gap;
}

RecoveryWriter::GapText RecoveryWriter::GapText::grown(qsizetype count) const
{
    // Half again as much room, so a text typed into grows in few steps.
    const qsizetype length = size();
    const qsizetype gap = qMax(count, qMax(length / 2, qsizetype(64 * 1024)));
    GapText bigger;
    bigger.bytes_ = QByteArray(length + gap, Qt::Uninitialized);
    const QByteArrayView head = before(), tail = after();
    if (!head.isEmpty())
        std::memcpy(bigger.bytes_.data(), head.data(), size_t(head.size()));
    if (!tail.isEmpty())
        std::memcpy(bigger.bytes_.data() + head.size() + gap, tail.data(), size_t(tail.size()));
    bigger.gapStart_ = head.size();
    bigger.gapEnd_ = head.size() + gap;
    return bigger;
}

bool RecoveryWriter::GapText::insert(qsizetype position, QByteArrayView text)
{
    if (position < 0 || position > size())
        return false;
    if (!hasRoom(text.size()))
        *this = grown(text.size());
    if (text.isEmpty())
        return true;
    moveGap(position);
    std::memcpy(bytes_.data() + gapStart_, text.data(), size_t(text.size()));
    gapStart_ += text.size();
    return true;
}

bool RecoveryWriter::GapText::erase(qsizetype position, qsizetype count)
{
    if (position < 0 || count < 0 || position + count > size())
        return false;
    moveGap(position);
    gapEnd_ += count;
    return true;
}

void RecoveryWriter::GapText::clear(qsizetype capacity)
{
    bytes_ = capacity > 0 ? QByteArray(capacity, Qt::Uninitialized) : QByteArray();
    gapStart_ = 0;
    gapEnd_ = bytes_.size();
}

// ---- the jobs ----

void RecoveryWriter::doFileJob(const Job& job)
{
    const QFileInfo info(job.path);
    if (job.kind == Job::Remove) {
        QFile::remove(job.path);
    } else if (job.kind == Job::Write) {
        writePrivateFile(info.path(), info.fileName(), job.bytes);
    } else if (job.kind == Job::WriteCopy) {
        if (text_.size() != job.count) {
            outOfStep_ = true; // never a copy that is not the page's text
            return;
        }
        writePrivateFile(info.path(), info.fileName(),
                         {QByteArrayView(job.bytes), text_.before(), text_.after()});
    }
}

bool RecoveryWriter::applyTextJob(Job& job)
{
    switch (job.kind) {
    case Job::Reset:
        text_.clear(job.count);
        outOfStep_ = false;
        return true;
    case Job::Append:
        if (!text_.insert(text_.size(), job.bytes))
            outOfStep_ = true;
        return true;
    case Job::Edit:
        if (!text_.erase(job.position, job.count) || !text_.insert(job.position, job.bytes))
            outOfStep_ = true;
        return true;
    case Job::Dropped:
        return true;
    default:
        return false;
    }
}

void RecoveryWriter::enqueue(Job job)
{
    std::unique_lock lock(mutex_);
    const bool fileJob =
        job.kind == Job::Write || job.kind == Job::WriteCopy || job.kind == Job::Remove;
    if (fileJob)
        for (Job& waiting : jobs_)
            if (waiting.kind == Job::Write || waiting.kind == Job::WriteCopy ||
                waiting.kind == Job::Remove) {
                waiting.kind = Job::Dropped; // the newest request wins
                waiting.bytes = QByteArray();
            }
    jobs_.push_back(std::move(job));
    if (!threadGone_) {
        lock.unlock();
        wake_.notify_all();
        return;
    }
    // In a forked child the thread is gone: the work is done on the spot.
    while (!jobs_.empty()) {
        Job next = std::move(jobs_.front());
        jobs_.pop_front();
        if (!applyTextJob(next))
            doFileJob(next);
    }
}

void RecoveryWriter::write(const QString& path, QByteArray bytes)
{
    enqueue(Job{Job::Write, path, std::move(bytes)});
}

void RecoveryWriter::remove(const QString& path)
{
    enqueue(Job{Job::Remove, path, QByteArray()});
}

void RecoveryWriter::writeCopy(const QString& path, QByteArray header, qsizetype length)
{
    enqueue(Job{Job::WriteCopy, path, std::move(header), 0, length});
}

void RecoveryWriter::resetText(qsizetype capacity)
{
    outOfStep_ = false;
    enqueue(Job{Job::Reset, QString(), QByteArray(), 0, capacity});
}

void RecoveryWriter::appendText(QByteArrayView piece)
{
    enqueue(Job{Job::Append, QString(), piece.toByteArray()});
}

void RecoveryWriter::editText(qsizetype position, qsizetype deleted, QByteArrayView inserted)
{
    enqueue(Job{Job::Edit, QString(), inserted.toByteArray(), position, deleted});
}

void RecoveryWriter::flush()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return threadGone_ || (jobs_.empty() && !busy_); });
}

void RecoveryWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty())
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        // The text changes only under the lock, so a fork never copies it half changed, and
        // quickly, so the window's thread asking for more never waits long: a bigger buffer is
        // made without the lock (only this thread changes the text).
        if ((job.kind == Job::Append || job.kind == Job::Edit) &&
            !text_.hasRoom(job.bytes.size())) {
            busy_ = true;
            lock.unlock();
            GapText bigger = text_.grown(job.bytes.size());
            lock.lock();
            busy_ = false;
            text_ = std::move(bigger);
        }
        if (!applyTextJob(job)) {
            busy_ = true;
            lock.unlock();
            doFileJob(job);
            lock.lock();
            busy_ = false;
        }
        if (jobs_.empty())
            idle_.notify_all();
    }
}

// ---- keeping the text in step ----

void RecoveryTextFeed::start(qsizetype length)
{
    active_ = true;
    length_ = length;
    sent_ = 0;
    // Room for the whole text and some typing, made once.
    writer_.resetText(length + qMax(length / 8, qsizetype(64 * 1024)));
}

void RecoveryTextFeed::stop()
{
    if (!active_)
        return;
    active_ = false;
    length_ = sent_ = 0;
    writer_.resetText();
}

void RecoveryTextFeed::edit(qsizetype position, qsizetype deleted, QByteArrayView inserted)
{
    if (!active_)
        return;
    length_ += inserted.size() - deleted;
    if (position >= sent_)
        return; // the pieces still to come bring it
    const qsizetype deletedSent = qMin(deleted, sent_ - position);
    writer_.editText(position, deletedSent, inserted);
    sent_ += inserted.size() - deletedSent;
}

bool RecoveryTextFeed::sendPiece(const TextRuns& text, qsizetype most)
{
    if (!active_)
        return true;
    const qsizetype total = text.first.size() + text.second.size();
    if (total != length_) {
        start(total); // an edit went by unreported: over again
        return false;
    }
    qsizetype count = qMin(most, length_ - sent_);
    while (count > 0) {
        const bool inFirst = sent_ < text.first.size();
        const QByteArrayView run =
            inFirst ? text.first.sliced(sent_) : text.second.sliced(sent_ - text.first.size());
        const QByteArrayView piece = run.first(qMin(count, run.size()));
        writer_.appendText(piece);
        sent_ += piece.size();
        count -= piece.size();
    }
    return true;
}

// ---- interrupted in-place saves ----

QList<InterruptedSave> interruptedSaves()
{
    QList<InterruptedSave> saves;
    const QString folder = ensureRecoveryFolder();
    if (folder.isEmpty())
        return saves;
    const QDir dir(folder);
    for (const QString& name : filesEndingWith(folder, QString::fromLatin1(kJournalEnd))) {
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
