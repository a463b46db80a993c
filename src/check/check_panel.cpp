#include "check/check_panel.h"

#include "check/markup_child.h"
#include "check/site_check.h"
#include "core/site_folder.h"
#include "editor/margin_rich_edit.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using PageCheck::Finding;
using PageCheck::Kind;

namespace {
// What a Check Site finding's row holds besides what it shows.
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kStartRole = Qt::UserRole + 2;
constexpr int kLengthRole = Qt::UserRole + 3;
constexpr int kLineRole = Qt::UserRole + 4; // the finding as one line, for copying
// Pages bigger than this show how far their check got.
constexpr qsizetype kProgressFrom = 1024 * 1024;
// While the panel is open, the page is checked again this long after typing pauses.
constexpr int kRecheckAfterMs = 1000;
} // namespace

// ---- the findings and where they stand now ----

class TFindingsModel : public QAbstractTableModel
{
public:
    struct Entry
    {
        Finding finding;
        int anchor = 0;     // the editor mark that follows its place; 0: none
        long position = -1; // its place in the editor now, in bytes
        bool stale = false; // its place was edited away
    };

    explicit TFindingsModel(QObject* parent) : QAbstractTableModel(parent) {}

    QPointer<TMarginRichEdit> editor;
    std::vector<Entry> entries;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(entries.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 4;
    }

    // Line and column where the finding stands now (where it stood, once edited away).
    std::pair<int, int> place(const Entry& e) const
    {
        if (e.stale || e.position < 0 || !editor)
            return {e.finding.line, e.finding.column};
        return editor->LineColumnAtByte(e.position);
    }

    QString line(int row, const QString& file) const
    {
        const Entry& e = entries[size_t(row)];
        Finding f = e.finding;
        if (f.start >= 0)
            std::tie(f.line, f.column) = place(e);
        return PageCheck::formatFinding(file, f);
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || size_t(index.row()) >= entries.size())
            return {};
        const Entry& e = entries[size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole: {
            if (index.column() == 0)
                return PageCheck::kindName(e.finding.kind);
            if (index.column() == 3)
                return PageCheck::escapeControls(e.finding.message);
            if (e.finding.start < 0)
                return QString();
            const auto [line, column] = place(e);
            return index.column() == 1 ? line : column;
        }
        case Qt::DecorationRole:
            if (index.column() != 0)
                return {};
            return QApplication::style()->standardIcon(
                e.finding.kind == Kind::Error     ? QStyle::SP_MessageBoxCritical
                : e.finding.kind == Kind::Warning ? QStyle::SP_MessageBoxWarning
                                                  : QStyle::SP_MessageBoxInformation);
        case Qt::ForegroundRole:
            if (e.stale)
                return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::ToolTipRole:
            if (e.stale)
                return QStringLiteral("This place has been edited since the check.");
            return PageCheck::escapeControls(e.finding.message);
        case Qt::TextAlignmentRole:
            if (index.column() == 1 || index.column() == 2)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const char* const names[] = {"Kind", "Line", "Column", "Message"};
        return QString::fromLatin1(names[section]);
    }

    void reset(std::vector<Entry> fresh)
    {
        beginResetModel();
        entries = std::move(fresh);
        endResetModel();
    }
    void placesChanged()
    {
        if (!entries.empty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
};

// ---- the list ----

bool TCheckList::event(QEvent* e)
{
    // Ctrl+C copies findings here, not the editor's selection.
    if (e->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(e)->matches(QKeySequence::Copy)) {
        e->accept();
        return true;
    }
    return QTreeView::event(e);
}

void TCheckList::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        Q_EMIT copyRequested();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        Q_EMIT chosen(currentIndex().row());
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        Q_EMIT closeRequested();
        return;
    }
    QTreeView::keyPressEvent(e);
}

// ---- the panel ----

struct TCheckPanel::Job
{
    QByteArray text;
    QString pageFile;
    QString siteFolder;
    PageCheck::Progress progress;
    QList<Finding> findings;
};

struct TCheckPanel::SiteJob
{
    SiteCheck::Options options;
    PageCheck::Progress progress;
    SiteCheck::Result result;
};

TCheckPanel::TCheckPanel(TMarginRichEdit* editor, QWidget* parent)
    : QWidget(parent), editor_(editor), model_(new TFindingsModel(this)),
      siteModel_(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("CheckPanel"));
    model_->editor = editor;

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("CheckSummary"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("CheckProgress"));
    Progress->setRange(0, 100);
    Progress->setMaximumWidth(200);
    Progress->hide();
    CloseButton = new QToolButton(this);
    CloseButton->setObjectName(QStringLiteral("CheckClose"));
    CloseButton->setAutoRaise(true);
    CloseButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    CloseButton->setToolTip(QStringLiteral("Close"));
    connect(CloseButton, &QToolButton::clicked, this, &TCheckPanel::closeRequested);

    List = new TCheckList(this);
    List->setObjectName(QStringLiteral("CheckList"));
    List->setModel(model_);
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setContextMenuPolicy(Qt::CustomContextMenu);
    List->header()->setStretchLastSection(true);
    List->setColumnWidth(0, 90);
    List->setColumnWidth(1, 50);
    List->setColumnWidth(2, 60);
    connect(List, &QTreeView::doubleClicked, this, &TCheckPanel::chooseRow);
    connect(List, &TCheckList::chosen, this, [this] { chooseRow(List->currentIndex()); });
    connect(List, &TCheckList::copyRequested, this, [this] { copyFindings(); });
    connect(List, &TCheckList::closeRequested, this, &TCheckPanel::closeRequested);
    connect(List, &QWidget::customContextMenuRequested, this, &TCheckPanel::showMenu);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 2, 2, 0);
    header->addWidget(Summary, 1);
    header->addWidget(Progress);
    header->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(header);
    layout->addWidget(List, 1);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &TCheckPanel::updateProgress);
    // Places are looked up again a moment after the text changes, not on every keystroke.
    placesTimer_ = new QTimer(this);
    placesTimer_->setSingleShot(true);
    placesTimer_->setInterval(250);
    connect(placesTimer_, &QTimer::timeout, this, &TCheckPanel::refreshPlaces);
    // A newly typed fault shows up without asking: the check runs again once typing pauses.
    recheckTimer_ = new QTimer(this);
    recheckTimer_->setObjectName(QStringLiteral("CheckAgainTimer"));
    recheckTimer_->setSingleShot(true);
    recheckTimer_->setInterval(kRecheckAfterMs);
    connect(recheckTimer_, &QTimer::timeout, this, [this] {
        if (!isVisible() || !editor_ || siteMode_)
            return;
        // The editor also reports restyling and the marks set for findings: only a changed
        // text is checked again.
        qsizetype size = 0;
        const char* now = editor_->EditorUtf8Data(&size);
        if (QByteArrayView(now, size) != QByteArrayView(checkedText_))
            Q_EMIT recheckWanted();
    });
    if (editor) {
        indicator_ = editor->NewPlaceSet();
        connect(editor, &TMarginRichEdit::textEdited, this, [this] {
            if (!model_->entries.empty())
                placesTimer_->start();
            if (isVisible() && !siteMode_)
                recheckTimer_->start();
        });
    }
}

TCheckPanel::~TCheckPanel()
{
    for (auto& [thread, job] : threads_) {
        job->progress.stop.store(true);
        thread->disconnect(this);
        thread->wait();
        delete thread;
    }
    for (auto& [thread, job] : siteThreads_) {
        job->progress.stop.store(true);
        thread->disconnect(this);
        thread->wait();
        delete thread;
    }
    if (editor_ && indicator_ >= 0)
        editor_->ClearPlaces(indicator_);
}

void TCheckPanel::start(const QString& pageFile, const QString& fileLabel,
                        const QString& siteFolder)
{
    if (!editor_)
        return;
    if (job_)
        job_->progress.stop.store(true); // its findings would belong to an older text
    showPageFindings();
    auto job = std::make_shared<Job>();
    job->text = editor_->EditorUtf8();
    job->pageFile = pageFile;
    job->siteFolder = siteFolder;
    checkedText_ = job->text;
    fileLabel_ = fileLabel;
    job_ = job;

    recheckTimer_->stop();
    // Tidy runs in a child process, so a fault inside it cannot take the page down.
    QThread* thread = QThread::create([job] {
        job->findings = PageCheck::checkPage(job->text, job->pageFile, &job->progress,
                                             PageCheck::MarkupIn::ChildProcess, job->siteFolder);
    });
    thread->setStackSize(PageCheck::kCheckStackBytes);
    threads_.emplace_back(thread, job);
    connect(thread, &QThread::finished, this, [this, thread, job] {
        threads_.erase(std::remove_if(threads_.begin(), threads_.end(),
                                      [thread](const auto& t) { return t.first == thread; }),
                       threads_.end());
        thread->deleteLater();
        if (job == job_)
            deliver(job);
    });
    Summary->setText(QStringLiteral("Checking the page..."));
    Progress->setValue(0);
    Progress->setVisible(job->text.size() > kProgressFrom);
    progressTimer_->start();
    thread->start();
}

void TCheckPanel::updateProgress()
{
    PageCheck::Progress* progress = job_       ? &job_->progress
                                    : siteJob_ ? &siteJob_->progress
                                               : nullptr;
    if (!progress)
        return;
    const qint64 total = progress->total.load();
    if (total > 0)
        Progress->setValue(int(std::clamp<qint64>(progress->done.load() * 100 / total, 0, 100)));
}

void TCheckPanel::deliver(const std::shared_ptr<Job>& job)
{
    job_.reset();
    progressTimer_->stop();
    Progress->hide();
    if (!editor_)
        return;

    // The text may have changed while the check ran. What stands before the first and after
    // the last changed byte is still where it was (shifted by the change); findings inside the
    // changed stretch are greyed from the start.
    qsizetype nowSize = 0;
    const char* now = editor_->EditorUtf8Data(&nowSize);
    const QByteArray& then = job->text;
    const qsizetype common = qMin(nowSize, then.size());
    const qsizetype prefix =
        std::mismatch(then.constData(), then.constData() + common, now).first - then.constData();
    qsizetype suffix = 0;
    while (suffix < common - prefix && then[then.size() - 1 - suffix] == now[nowSize - 1 - suffix])
        ++suffix;
    const qsizetype shift = nowSize - then.size();

    editor_->ClearPlaces(indicator_);
    std::vector<TFindingsModel::Entry> entries;
    entries.reserve(size_t(job->findings.size()));
    QHash<long, int> anchorAt;
    for (const Finding& f : std::as_const(job->findings)) {
        TFindingsModel::Entry e;
        e.finding = f;
        if (f.start >= 0) {
            if (f.start + qMax<qsizetype>(f.length, 1) <= prefix ||
                (f.start < prefix && f.length == 0))
                e.position = long(f.start);
            else if (f.start >= then.size() - suffix && then.size() - suffix >= prefix)
                e.position = long(f.start + shift);
            else
                e.stale = true;
            if (!e.stale && e.position < nowSize) {
                // One hidden mark on the place's first byte follows it through later edits.
                int& anchor = anchorAt[e.position];
                if (!anchor) {
                    anchor = int(anchorAt.size());
                    editor_->AddPlace(indicator_, e.position, anchor);
                }
                e.anchor = anchor;
            }
        }
        entries.push_back(std::move(e));
    }
    model_->reset(std::move(entries));

    int errors = 0, warnings = 0, notes = 0;
    for (const Finding& f : std::as_const(job->findings))
        (f.kind == Kind::Error ? errors : f.kind == Kind::Warning ? warnings : notes) += 1;
    Summary->setText(
        job->findings.isEmpty()
            ? QStringLiteral("No findings: the markup is sound and every local link works.")
            : QStringLiteral("%1 error(s), %2 warning(s), %3 note(s)")
                  .arg(errors)
                  .arg(warnings)
                  .arg(notes));
    if (List->model()->rowCount() > 0)
        List->setCurrentIndex(model_->index(0, 0));
    Q_EMIT finished();
}

void TCheckPanel::refreshPlaces()
{
    if (!editor_ || model_->entries.empty())
        return;
    const QHash<int, long> where = editor_->Places(indicator_);
    for (TFindingsModel::Entry& e : model_->entries) {
        if (e.anchor == 0 || e.stale)
            continue;
        const auto it = where.constFind(e.anchor);
        if (it == where.cend()) {
            e.stale = true; // its first character is gone
        } else {
            e.position = it.value();
        }
    }
    model_->placesChanged();
}

int TCheckPanel::findingCount() const
{
    return int(model_->entries.size());
}

bool TCheckPanel::isStale(int row) const
{
    return row >= 0 && size_t(row) < model_->entries.size() && model_->entries[size_t(row)].stale;
}

void TCheckPanel::chooseRow(const QModelIndex& index)
{
    if (siteMode_)
        chooseSiteFinding(index);
    else if (index.isValid())
        chooseFinding(index.row());
}

bool TCheckPanel::chooseFinding(int row)
{
    if (!editor_ || row < 0 || size_t(row) >= model_->entries.size())
        return false;
    placesTimer_->stop();
    refreshPlaces();
    const TFindingsModel::Entry& e = model_->entries[size_t(row)];
    if (e.stale || e.position < 0)
        return false;
    editor_->SelectBytes(e.position, e.position + long(e.finding.length));
    editor_->FocusEditor();
    return true;
}

QString TCheckPanel::findingsText(bool selectedOnly) const
{
    if (siteMode_) {
        // Findings in list order: those selected (a file's row stands for all of its own),
        // or every one.
        QString text;
        const auto selected = [&](const QModelIndex& i) {
            return List->selectionModel()->isRowSelected(i.row(), i.parent());
        };
        bool any = false;
        if (selectedOnly)
            for (int r = 0; r < siteModel_->rowCount() && !any; ++r) {
                const QModelIndex file = siteModel_->index(r, 0);
                any = selected(file);
                for (int c = 0; c < siteModel_->rowCount(file) && !any; ++c)
                    any = selected(siteModel_->index(c, 0, file));
            }
        for (int r = 0; r < siteModel_->rowCount(); ++r) {
            const QModelIndex file = siteModel_->index(r, 0);
            const bool whole = !any || selected(file);
            for (int c = 0; c < siteModel_->rowCount(file); ++c) {
                const QModelIndex f = siteModel_->index(c, 0, file);
                if (whole || selected(f))
                    text += f.data(kLineRole).toString() + QLatin1Char('\n');
            }
        }
        return text;
    }
    QList<int> rows;
    if (selectedOnly)
        for (const QModelIndex& i : List->selectionModel()->selectedRows())
            rows.append(i.row());
    if (rows.isEmpty())
        for (int r = 0; r < findingCount(); ++r)
            rows.append(r);
    std::sort(rows.begin(), rows.end());
    QString text;
    for (int r : std::as_const(rows))
        text += model_->line(r, fileLabel_) + QLatin1Char('\n');
    return text;
}

void TCheckPanel::copyFindings(bool selectedOnly)
{
    QApplication::clipboard()->setText(findingsText(selectedOnly));
}

void TCheckPanel::showMenu(const QPoint& at)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, [this] { copyFindings(true); });
    copy->setShortcut(QKeySequence::Copy);
    menu.addAction(QStringLiteral("Copy &All"), this, [this] { copyFindings(false); });
    menu.exec(List->viewport()->mapToGlobal(at));
}

// ---- Check Site ----

void TCheckPanel::showPageFindings()
{
    if (siteJob_) {
        siteJob_->progress.stop.store(true);
        siteJob_.reset();
    }
    if (!siteMode_)
        return;
    siteMode_ = false;
    List->setModel(model_);
    List->setRootIsDecorated(false);
}

void TCheckPanel::startSite(const QString& folder, const QString& openPage)
{
    if (job_) {
        job_->progress.stop.store(true);
        job_.reset();
    }
    if (siteJob_)
        siteJob_->progress.stop.store(true);
    recheckTimer_->stop();
    auto job = std::make_shared<SiteJob>();
    job->options.folder = folder;
    // Tidy runs in child processes, one per thread, so a fault inside it ends only a child.
    job->options.markupIn = PageCheck::MarkupIn::ChildProcess;
    if (editor_ && !openPage.isEmpty()) {
        job->options.openPage = openPage;
        job->options.openPageText = editor_->EditorUtf8();
    }
    siteJob_ = job;
    siteMode_ = true;
    siteModel_->clear();
    List->setModel(siteModel_);
    List->setRootIsDecorated(true);

    QThread* thread = QThread::create(
        [job] { job->result = SiteCheck::checkSite(job->options, &job->progress); });
    siteThreads_.emplace_back(thread, job);
    connect(thread, &QThread::finished, this, [this, thread, job] {
        siteThreads_.erase(std::remove_if(siteThreads_.begin(), siteThreads_.end(),
                                          [thread](const auto& t) { return t.first == thread; }),
                           siteThreads_.end());
        thread->deleteLater();
        if (job == siteJob_)
            deliverSite(job);
    });
    Summary->setText(QStringLiteral("Checking the site..."));
    Progress->setValue(0);
    Progress->show();
    progressTimer_->start();
    thread->start();
}

void TCheckPanel::deliverSite(const std::shared_ptr<SiteJob>& job)
{
    siteJob_.reset();
    progressTimer_->stop();
    Progress->hide();
    const SiteCheck::Result& result = job->result;
    siteModel_->clear();
    siteModel_->setHorizontalHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Line"),
                                           QStringLiteral("Column"), QStringLiteral("Message")});
    const QDir root(result.folder);
    int errors = 0, warnings = 0, notes = 0;
    const auto addFile = [&](const QString& path, const QString& relative,
                             const QList<Finding>& findings) {
        auto* file = new QStandardItem(QStringLiteral("%1 (%2)")
                                           .arg(PageCheck::escapeControls(relative))
                                           .arg(findings.size()));
        file->setEditable(false);
        file->setData(path, kPathRole);
        QList<QStandardItem*> fileRow = {file};
        for (int c = 1; c < 4; ++c) {
            fileRow.append(new QStandardItem);
            fileRow.back()->setEditable(false);
        }
        for (const Finding& f : findings) {
            (f.kind == Kind::Error ? errors : f.kind == Kind::Warning ? warnings : notes) += 1;
            QList<QStandardItem*> row;
            row.append(
                new QStandardItem(QApplication::style()->standardIcon(
                                      f.kind == Kind::Error     ? QStyle::SP_MessageBoxCritical
                                      : f.kind == Kind::Warning ? QStyle::SP_MessageBoxWarning
                                                                : QStyle::SP_MessageBoxInformation),
                                  PageCheck::kindName(f.kind)));
            row.append(new QStandardItem(f.line > 0 ? QString::number(f.line) : QString()));
            row.append(new QStandardItem(f.line > 0 ? QString::number(f.column) : QString()));
            row.append(new QStandardItem(PageCheck::escapeControls(f.message)));
            row[1]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            row[2]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            for (QStandardItem* item : std::as_const(row)) {
                item->setEditable(false);
                item->setData(path, kPathRole);
                item->setData(qlonglong(f.start), kStartRole);
                item->setData(qlonglong(f.length), kLengthRole);
                item->setToolTip(PageCheck::escapeControls(f.message));
            }
            row[0]->setData(PageCheck::formatFinding(relative, f), kLineRole);
            file->appendRow(row);
        }
        siteModel_->appendRow(fileRow);
        List->setFirstColumnSpanned(siteModel_->rowCount() - 1, QModelIndex(), true);
    };
    for (const SiteCheck::FileFindings& file : result.files)
        addFile(file.path, file.relative, file.findings);
    for (const QString& path : result.unreadable) {
        Finding f;
        f.kind = Kind::Error;
        f.message = QStringLiteral("the page could not be read");
        addFile(path, root.relativeFilePath(path), {f});
    }
    List->expandAll();
    // The kind sits one step in, below its file.
    List->setColumnWidth(0, 110 + List->indentation());
    List->setColumnWidth(1, 50);
    List->setColumnWidth(2, 60);
    const int pages = result.pagesChecked;
    Summary->setText(
        errors + warnings + notes == 0
            ? QStringLiteral("No findings: %1 page(s) checked; the markup is sound and every "
                             "local link works.")
                  .arg(pages)
            : QStringLiteral("%1 page(s) checked: %2 error(s), %3 warning(s), %4 note(s)")
                  .arg(pages)
                  .arg(errors)
                  .arg(warnings)
                  .arg(notes));
    if (siteModel_->rowCount() > 0)
        List->setCurrentIndex(siteModel_->index(0, 0));
    fileLabel_.clear();
    Q_EMIT finished();
}

bool TCheckPanel::chooseSiteFinding(const QModelIndex& index)
{
    if (!index.isValid() || !index.parent().isValid())
        return false; // a file's own row
    const QModelIndex first = index.siblingAtColumn(0);
    if (!isPageFile(first.data(kPathRole).toString()))
        return false; // a picture is no page to open
    Q_EMIT siteFindingChosen(first.data(kPathRole).toString(),
                             qsizetype(qMax<qlonglong>(0, first.data(kStartRole).toLongLong())),
                             qsizetype(first.data(kLengthRole).toLongLong()));
    return true;
}
