#pragma once

#include "core/disk_identity.h"
#include "core/document_codec.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// What keeps unsaved work alive across a crash: recovery copies of pages with unsaved edits and
// the journals of saves that overwrite a page in place. Everything lives in one folder only the
// user can open: $XDG_STATE_HOME/vorlane/recovery (default ~/.local/state/vorlane/recovery).
QString recoveryFolder();
// Creates the folder (mode 0700) where missing and checks that it is ours and private; empty
// when it cannot be had.
QString ensureRecoveryFolder();

// Writes `bytes` as `name` in `folder`: a new private file, synced and renamed over the name,
// then the folder synced. Never writes through an existing name.
bool writePrivateFile(const QString& folder, const QString& name, const QByteArray& bytes);

// A page's unsaved text and what is needed to show it again as it was.
struct RecoveryCopy
{
    QString id;       // which window's copy (the file names in the folder)
    QString pageName; // absolute, or empty for an untitled page
    TextFormat format;
    int caretLine = 0;
    QDateTime changed; // when the copy was written
    DiskIdentity disk; // the page's file as the window last read or wrote it
    QByteArray utf8;   // the editor text, LF line ends
};
QByteArray encodeRecoveryCopy(const RecoveryCopy& copy);
// The same with the text taken from the editor as it lies (copy.utf8 unused): one copy only.
QByteArray encodeRecoveryCopy(const RecoveryCopy& copy, const TextRuns& text);
std::optional<RecoveryCopy> decodeRecoveryCopy(const QByteArray& bytes);

// One window's place in the recovery folder: "<id>.lock" holds the page's name and stays
// locked while the window lives; "<id>.copy" is the recovery copy. A copy whose lock nobody
// holds belongs to a window that is gone.
class RecoverySlot
{
public:
    RecoverySlot();
    ~RecoverySlot(); // a normal end: the copy and the lock file go
    RecoverySlot(const RecoverySlot&) = delete;
    RecoverySlot& operator=(const RecoverySlot&) = delete;

    const QString& id() const { return id_; }
    bool valid() const { return fd_ >= 0; }
    QString copyPath() const;
    // Told to other windows, so that they can say the page is open here.
    void setPageName(const QString& name);
    // Takes over the slot of a window that is gone (its copy becomes this window's).
    bool adopt(const QString& id);

private:
    void release(bool removeFiles);
    QString folder_;
    QString id_;
    int fd_ = -1;
};

// Recovery copies of windows that are gone, newest first. Lock files left without a copy are
// removed on the way.
QList<RecoveryCopy> orphanedRecoveryCopies();
void removeRecoveryCopy(const QString& id);
// Whether a running window other than `ownId`'s holds `pageName`.
bool isOpenInAnotherWindow(const QString& pageName, const QString& ownId);

// Writes recovery copies on a thread of its own, so typing never waits for the disk. The last
// request wins: a copy waiting to be written is replaced by a newer one or by a removal.
class RecoveryWriter
{
public:
    RecoveryWriter();
    ~RecoveryWriter(); // finishes what was asked
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(const QString& path, QByteArray bytes);
    void remove(const QString& path);
    // Waits until everything asked so far is done.
    void flush();

private:
    void run();
    // Work asked for in a forked child, where the thread is gone, is done on the spot.
    void doJob(const QString& path, const QByteArray& bytes, bool remove);
    static void beforeFork();
    static void afterForkInParent();
    static void afterForkInChild();
    bool threadGone_ = false;
    struct Job
    {
        QString path;
        QByteArray bytes;
        bool remove = false;
    };
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::unique_ptr<std::thread> thread_;
};

// A save in place that never finished: the journal holds the page's bytes from before it.
struct InterruptedSave
{
    QString journal;
    QString pageName;
    QByteArray oldBytes;
};
// Journals of saves that died, that still matter. One whose save had finished, or whose page
// still holds the old bytes, is removed without a word.
QList<InterruptedSave> interruptedSaves();
// Puts the old bytes back (raises "Cannot create file %s") and removes the journal.
void restoreInterruptedSave(const InterruptedSave& save);
void discardInterruptedSave(const InterruptedSave& save);
