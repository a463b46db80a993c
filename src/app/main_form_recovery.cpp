// Never losing work: changes other programs make to the open page, recovery copies of unsaved
// edits, and saves in place that were cut short.
#include "app/main_form.h"

#include "core/app_error.h"
#include "core/command_guard.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/recovery_store.h"
#include "editor/margin_rich_edit.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

#include <unistd.h>

namespace {

constexpr int kRecoveryPauseMs = 1000;
constexpr int kRecoveryLongestMs = 5000;
// The writer's copy of the text goes over in pieces this big, one per turn of the event loop,
// so no key waits for a whole-page copy.
constexpr qsizetype kRecoveryPiece = 256 * 1024;
// An insertion bigger than this (a paste, a page replaced) is not copied from the change
// notice: the text goes over again in pieces.
constexpr qsizetype kRecoveryLargestEdit = 1024 * 1024;
// Another program's save is often a delete and a create; look once it is done.
constexpr int kWatchSettleMs = 200;

QString shownName(const QString& pageName)
{
    return pageName.isEmpty() ? kUntitled : pageName;
}

// What the file holds and where its name leads; its owner and permissions aside.
bool sameContent(const DiskIdentity& a, const DiskIdentity& b)
{
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modifiedNs == b.modifiedNs && a.isLink == b.isLink && a.linkTarget == b.linkTarget;
}

bool becameLink(const DiskIdentity& now, const DiskIdentity& known)
{
    return now.isLink && (!known.isLink || now.linkTarget != known.linkTarget);
}

// Given to someone else: a file of ours that another user took over is never written through.
bool becameForeign(const DiskIdentity& now, const DiskIdentity& known)
{
    return now.exists && now.owner != known.owner && now.owner != ::geteuid();
}

} // namespace

void TMainForm::setupRecovery()
{
    recoverySlot_ = std::make_unique<RecoverySlot>();
    recoveryWriter_ = std::make_unique<RecoveryWriter>();
    recoveryFeed_ = std::make_unique<RecoveryTextFeed>(*recoveryWriter_);
    recoveryFeedTimer_ = new QTimer(this);
    recoveryFeedTimer_->setInterval(0);
    connect(recoveryFeedTimer_, &QTimer::timeout, this, &TMainForm::feedRecoveryText);
    connect(RichEdit1, &TMarginRichEdit::bytesEditing, this, &TMainForm::onBytesEditing);
    recoveryPause_ = new QTimer(this);
    recoveryPause_->setSingleShot(true);
    recoveryPause_->setInterval(kRecoveryPauseMs);
    recoveryLongest_ = new QTimer(this);
    recoveryLongest_->setSingleShot(true);
    recoveryLongest_->setInterval(kRecoveryLongestMs);
    connect(recoveryPause_, &QTimer::timeout, this, [this] { writeRecoveryCopyNow(); });
    connect(recoveryLongest_, &QTimer::timeout, this, [this] { writeRecoveryCopyNow(); });
    // Typing restarts the pause on every screen update; the first change after a save starts
    // the clock even in a window that is not being painted (minimised, hidden).
    connect(RichEdit1, &TMarginRichEdit::textEdited, this, &TMainForm::scheduleRecoveryCopy);
    connect(RichEdit1, &QsciScintillaBase::SCN_SAVEPOINTLEFT, this,
            &TMainForm::scheduleRecoveryCopy);

    watcher_ = new QFileSystemWatcher(this);
    watchDelay_ = new QTimer(this);
    watchDelay_->setSingleShot(true);
    watchDelay_->setInterval(kWatchSettleMs);
    connect(watcher_, &QFileSystemWatcher::fileChanged, watchDelay_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, watchDelay_,
            qOverload<>(&QTimer::start));
    connect(watchDelay_, &QTimer::timeout, this,
            [this] { runGuarded(this, [this] { checkDiskChange(); }); });
}

void TMainForm::buildDiskChangeBar(QWidget* parent)
{
    DiskChangeBar = new QFrame(parent);
    DiskChangeBar->setObjectName(QStringLiteral("DiskChangeBar"));
    DiskChangeBar->setFrameShape(QFrame::StyledPanel);
    // The tool-tip colours: set apart from the page, readable in light and dark themes alike.
    DiskChangeBar->setAutoFillBackground(true);
    DiskChangeBar->setBackgroundRole(QPalette::ToolTipBase);
    auto* row = new QHBoxLayout(DiskChangeBar);
    row->setContentsMargins(6, 3, 6, 3);
    DiskChangeLabel = new QLabel(DiskChangeBar);
    DiskChangeLabel->setObjectName(QStringLiteral("DiskChangeLabel"));
    DiskChangeLabel->setForegroundRole(QPalette::ToolTipText);
    DiskChangeLabel->setTextFormat(Qt::PlainText);
    DiskChangeLabel->setWordWrap(true);
    ReloadButton = new QPushButton(QStringLiteral("Reload"), DiskChangeBar);
    ReloadButton->setObjectName(QStringLiteral("ReloadButton"));
    KeepMineButton = new QPushButton(QStringLiteral("Keep Mine"), DiskChangeBar);
    KeepMineButton->setObjectName(QStringLiteral("KeepMineButton"));
    for (QPushButton* button : {ReloadButton, KeepMineButton})
        button->setFocusPolicy(Qt::TabFocus); // typing goes on in the editor
    row->addWidget(DiskChangeLabel, 1);
    row->addWidget(ReloadButton);
    row->addWidget(KeepMineButton);
    DiskChangeBar->hide();
    connect(ReloadButton, &QPushButton::clicked, this,
            [this] { runGuarded(this, [this] { reloadKeepingLine(); }); });
    connect(KeepMineButton, &QPushButton::clicked, this, [this] {
        // The same change is not told again; the save still asks before replacing it.
        DiskChangeBar->hide();
        RichEdit1->FocusEditor();
    });
}

QString TMainForm::recoveryCopyPath() const
{
    return recoverySlot_ && recoverySlot_->valid() ? recoverySlot_->copyPath() : QString();
}

// ---- changes on disk ----

void TMainForm::armWatcher()
{
    // An atomic replace leaves the watch on a file that is gone: watch the name afresh.
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    if (document_.isUntitled())
        return;
    const QString path = document_.fileName();
    if (QFileInfo::exists(path))
        watcher_->addPath(path);
    const QString folder = QFileInfo(path).path();
    if (QFileInfo(folder).isDir())
        watcher_->addPath(folder);
}

void TMainForm::pageSettled()
{
    dropRecoveryCopy();
    DiskChangeBar->hide();
    barIdentity_.reset();
    armWatcher();
}

void TMainForm::showDiskChangeBar(bool deleted)
{
    const QString name = document_.fileName();
    DiskChangeLabel->setText(
        deleted ? QStringLiteral("%1 was deleted or moved. Saving will write it again.").arg(name)
                : QStringLiteral("%1 was changed by another program.").arg(name));
    ReloadButton->setVisible(!deleted);
    DiskChangeBar->show();
}

void TMainForm::checkDiskChange()
{
    if (checkingDisk_ || document_.isUntitled())
        return;
    QScopedValueRollback<bool> busy(checkingDisk_, true);
    const DiskIdentity now = DiskIdentity::of(document_.fileName());
    armWatcher();
    const DiskIdentity& known = document_.diskIdentity();
    const bool newLink = becameLink(now, known);
    const bool newOwner = becameForeign(now, known);
    if (sameContent(now, known) && !newOwner) {
        DiskChangeBar->hide();
        barIdentity_.reset();
        return;
    }
    if (barIdentity_ && *barIdentity_ == now)
        return; // told already
    barIdentity_ = now;
    if (!now.exists) {
        showDiskChangeBar(true);
        return;
    }
    // A name that became a link or another user's file is never taken in unasked.
    if (!RichEdit1->ModifiedFlag() && !newLink && !newOwner) {
        reloadKeepingLine();
        showNotice(QStringLiteral("%1 was changed by another program and has been reloaded.")
                       .arg(document_.fileName()));
        return;
    }
    showDiskChangeBar(false);
}

void TMainForm::reloadKeepingLine()
{
    const int line = RichEdit1->CaretLine();
    LoadDocument(document_.fileName());
    RichEdit1->GoToLine(line);
}

bool TMainForm::confirmDiskChangeBeforeSave(const QString& path, bool* asName)
{
    *asName = false;
    const DiskIdentity& known = document_.diskIdentity();
    const DiskIdentity now = DiskIdentity::of(path);
    const bool newLink = becameLink(now, known);
    const bool newOwner = becameForeign(now, known);
    if ((sameContent(now, known) && !newOwner) || (!now.exists && !now.isLink))
        return true; // unchanged, or gone: saving writes it again
    if (!known.exists && !known.isLink && !newLink && !newOwner)
        return true; // a page that was never on disk meets a file someone else made: as Save As
    const QString name =
        newLink ? QStringLiteral("%1 (now a link to %2)").arg(path, now.linkTarget) : path;
    const int answer = prompter().choose(
        this, QStringLiteral("Confirm"),
        QStringLiteral("%1 was changed by another program since it was opened. Save anyway and "
                       "replace those changes?")
            .arg(name),
        {QStringLiteral("Yes"), QStringLiteral("No")});
    if (answer != 0)
        return false;
    *asName = newLink || newOwner;
    return true;
}

bool TMainForm::confirmNotOpenElsewhere(const QString& path)
{
    if (!recoverySlot_ || !isOpenInAnotherWindow(path, recoverySlot_->id()))
        return true;
    return prompter().choose(
               this, QStringLiteral("Confirm"),
               QStringLiteral("%1 is already open in another Vorlane window.").arg(path),
               {QStringLiteral("Open Anyway"), QStringLiteral("Cancel")}) == 0;
}

// ---- recovery copies ----

void TMainForm::scheduleRecoveryCopy()
{
    if (!RichEdit1->ModifiedFlag()) {
        dropRecoveryCopy();
        return;
    }
    recoveryPause_->start();
    if (!recoveryLongest_->isActive())
        recoveryLongest_->start();
}

void TMainForm::startRecoveryText()
{
    if (!recoveryFeed_->active()) {
        RichEdit1->SetReportEdits(true);
        recoveryFeed_->start(RichEdit1->ByteLength());
    }
    if (!recoveryFeed_->complete())
        recoveryFeedTimer_->start();
}

void TMainForm::onBytesEditing(long position, long deleted, const char* inserted,
                               long insertedLength)
{
    if (!recoveryFeed_->active())
        return;
    if (insertedLength > 0 && (!inserted || insertedLength > kRecoveryLargestEdit)) {
        recoveryFeed_->start(recoveryFeed_->length() - deleted + insertedLength);
    } else {
        recoveryFeed_->edit(position, deleted, QByteArrayView(inserted, insertedLength));
    }
    if (!recoveryFeed_->complete())
        recoveryFeedTimer_->start();
}

void TMainForm::feedRecoveryText()
{
    if (!recoveryFeed_->active()) {
        recoveryFeedTimer_->stop();
        return;
    }
    recoveryFeed_->sendPiece(RichEdit1->EditorTextRuns(), kRecoveryPiece);
    if (!recoveryFeed_->complete())
        return;
    recoveryFeedTimer_->stop();
    if (recoveryCopyWanted_)
        writeRecoveryCopyNow();
}

void TMainForm::writeRecoveryCopyNow(bool wait)
{
    recoveryPause_->stop();
    recoveryLongest_->stop();
    if (!RichEdit1->ModifiedFlag()) {
        dropRecoveryCopy();
        return;
    }
    if (!recoverySlot_->valid())
        return;
    // The writer refused a copy, or an edit went by untold: the text goes over again.
    if (recoveryWriter_->textOutOfStep() || recoveryFeed_->length() != RichEdit1->ByteLength())
        recoveryFeed_->stop();
    startRecoveryText();
    if (!recoveryFeed_->complete()) {
        if (!wait) {
            recoveryCopyWanted_ = true; // written once the last piece has gone
            return;
        }
        while (!recoveryFeed_->complete())
            recoveryFeed_->sendPiece(RichEdit1->EditorTextRuns(), RichEdit1->ByteLength());
        recoveryFeedTimer_->stop();
    }
    recoveryCopyWanted_ = false;
    RecoveryCopy copy;
    copy.pageName = document_.path();
    copy.format = document_.format();
    copy.caretLine = RichEdit1->CaretLine();
    copy.changed = QDateTime::currentDateTime();
    copy.disk = document_.diskIdentity();
    const qsizetype length = recoveryFeed_->length();
    recoveryWriter_->writeCopy(recoverySlot_->copyPath(), recoveryCopyHeader(copy, length), length);
    recoveryCopyAsked_ = true;
    if (!wait)
        return;
    recoveryWriter_->flush();
    if (recoveryWriter_->textOutOfStep()) {
        // Never without a copy when one is waited for: the whole text, taken here.
        recoveryFeed_->stop();
        recoveryWriter_->write(recoverySlot_->copyPath(),
                               encodeRecoveryCopy(copy, RichEdit1->EditorTextRuns()));
        recoveryWriter_->flush();
    }
}

void TMainForm::dropRecoveryCopy()
{
    if (!recoveryPause_)
        return;
    recoveryPause_->stop();
    recoveryLongest_->stop();
    recoveryFeedTimer_->stop();
    recoveryCopyWanted_ = false;
    recoveryFeed_->stop();
    RichEdit1->SetReportEdits(false);
    if (recoveryCopyAsked_ && recoverySlot_->valid())
        recoveryWriter_->remove(recoverySlot_->copyPath());
    recoveryCopyAsked_ = false;
}

void TMainForm::offerInterruptedSaves()
{
    for (const InterruptedSave& save : interruptedSaves()) {
        const int answer = prompter().choose(
            this, QStringLiteral("Confirm"),
            QStringLiteral("The save of %1 was interrupted. Restore the version before that save?")
                .arg(save.pageName),
            {QStringLiteral("Yes"), QStringLiteral("No")});
        if (answer == 1) {
            discardInterruptedSave(save);
        } else if (answer == 0) {
            try {
                restoreInterruptedSave(save);
            } catch (const AppError& e) {
                prompter().error(this, e.message()); // the journal stays for the next start
            }
        }
    }
}

bool TMainForm::offerRecoveryCopies()
{
    const QLocale locale = QLocale::system();
    for (const RecoveryCopy& copy : orphanedRecoveryCopies()) {
        const QString name = shownName(copy.pageName);
        const QString when = locale.toString(copy.changed.date(), QLocale::ShortFormat) +
                             QLatin1Char(' ') +
                             locale.toString(copy.changed.time(), QLocale::LongFormat);
        QString text = QStringLiteral("Vorlane was closed without saving %1 (changed %2). "
                                      "Recover it?")
                           .arg(name, when);
        if (!copy.pageName.isEmpty() && DiskIdentity::of(copy.pageName) != copy.disk)
            text += QStringLiteral("\n\nThe file %1 has changed on disk since.").arg(name);
        const int answer = prompter().choose(
            this, QStringLiteral("Recover"), text,
            {QStringLiteral("Recover"), QStringLiteral("Discard"), QStringLiteral("Later")});
        if (answer == 1) {
            removeRecoveryCopy(copy.id);
        } else if (answer == 0 && recoverySlot_->adopt(copy.id)) {
            // Its own name and format, as modified: the user decides where it goes.
            RichEdit1->SetEditorUtf8(copy.utf8);
            document_.restore(copy.format, copy.disk);
            SetDocumentName(copy.pageName.isEmpty() ? kUntitled : copy.pageName);
            RichEdit1->SetModifiedFlag(true);
            RichEdit1->GoToLine(copy.caretLine);
            DiskChangeBar->hide();
            armWatcher();
            recoveryCopyAsked_ = true; // the adopted copy now speaks for this window
            writeRecoveryCopyNow();
            // This window holds one page: the other copies wait for the next start.
            return true;
        }
    }
    return false;
}
