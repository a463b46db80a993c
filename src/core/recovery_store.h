#pragma once

#include "core/disk_identity.h"
#include "core/document_codec.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <initializer_list>
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
// The same with the file's bytes given in pieces, one after the other.
bool writePrivateFile(const QString& folder, const QString& name,
                      std::initializer_list<QByteArrayView> pieces);

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
// What comes before a text of `length` bytes in a copy.
QByteArray recoveryCopyHeader(const RecoveryCopy& copy, qsizetype length);
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
//
// The thread also keeps its own copy of the page's text (a gap buffer), so a copy never copies
// the whole text on the window's thread: the text comes over once in pieces, then every edit
// follows it (RecoveryTextFeed does both), and writeCopy() writes the text as it stands after
// every piece and edit asked for before it.
class RecoveryWriter
{
public:
    RecoveryWriter();
    ~RecoveryWriter(); // finishes what was asked
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(const QString& path, QByteArray bytes);
    void remove(const QString& path);
    // Writes `header` followed by the kept text, which must then be `length` bytes long;
    // otherwise nothing is written and textOutOfStep() says so.
    void writeCopy(const QString& path, QByteArray header, qsizetype length);
    // The kept text: emptied, a piece added at its end, an edit.
    void resetText(qsizetype capacity = 0);
    void appendText(QByteArrayView piece);
    void editText(qsizetype position, qsizetype deleted, QByteArrayView inserted);
    // A copy was refused because the kept text did not have the expected length (cleared by
    // resetText).
    bool textOutOfStep() const { return outOfStep_; }
    // Waits until everything asked so far is done.
    void flush();

private:
    struct Job
    {
        enum Kind { Write, WriteCopy, Remove, Reset, Append, Edit, Dropped } kind;
        QString path;
        QByteArray bytes;
        qsizetype position = 0;
        qsizetype count = 0; // deleted bytes, or the length a copy's text must have
    };
    // The text as the thread keeps it: bytes before the gap, the gap, bytes after it. Only the
    // thread changes it.
    class GapText
    {
    public:
        qsizetype size() const { return bytes_.size() - (gapEnd_ - gapStart_); }
        bool insert(qsizetype position, QByteArrayView text);
        bool erase(qsizetype position, qsizetype count);
        // Empty, with room for `capacity` bytes.
        void clear(qsizetype capacity = 0);
        bool hasRoom(qsizetype count) const { return gapEnd_ - gapStart_ >= count; }
        // The same text with room for `count` more bytes and then some.
        GapText grown(qsizetype count) const;
        QByteArrayView before() const { return QByteArrayView(bytes_).first(gapStart_); }
        QByteArrayView after() const { return QByteArrayView(bytes_).sliced(gapEnd_); }

    private:
        void moveGap(qsizetype position);
        QByteArray bytes_;
        qsizetype gapStart_ = 0;
        qsizetype gapEnd_ = 0;
    };

    void enqueue(Job job);
    void run();
    // Applies a job to the text; false for a file job.
    bool applyTextJob(Job& job);
    void doFileJob(const Job& job);
    static void beforeFork();
    static void afterForkInParent();
    static void afterForkInChild();
    bool threadGone_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    GapText text_;
    std::atomic<bool> outOfStep_{false};
    bool busy_ = false;
    bool stopping_ = false;
    std::unique_ptr<std::thread> thread_;
};

// Keeps a RecoveryWriter's text in step with the editor's, from the window's thread: the text
// goes over in pieces between events, and each edit, reported before it happens, follows it.
// Until every piece has gone, an edit inside what has gone is sent along and one beyond it is
// taken up by the pieces still to come, so the writer's text is always the start of the
// editor's.
class RecoveryTextFeed
{
public:
    explicit RecoveryTextFeed(RecoveryWriter& writer) : writer_(writer) {}

    // Starts over on a text of `length` bytes (the writer's text is emptied).
    void start(qsizetype length);
    // Gives up the writer's text.
    void stop();
    bool active() const { return active_; }
    // The writer holds the whole text.
    bool complete() const { return active_ && sent_ == length_; }
    // An edit about to be made to the text.
    void edit(qsizetype position, qsizetype deleted, QByteArrayView inserted);
    // Sends the next piece of `text` (the editor's whole text now), at most `most` bytes; false
    // when the text is not the length the edits said, and the feed started over.
    bool sendPiece(const TextRuns& text, qsizetype most);
    qsizetype length() const { return length_; }

private:
    RecoveryWriter& writer_;
    bool active_ = false;
    qsizetype length_ = 0; // the editor's text, as the edits tell it
    qsizetype sent_ = 0;   // the writer holds the first sent_ bytes of it
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
