#include "site/find_results_panel.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

namespace {

enum Role { PathRole = Qt::UserRole + 1, FromRole, ToRole, MarkStartRole, MarkLengthRole };

// Paints a result line with its match on the highlight colour.
class MatchDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QVariant start = index.data(MarkStartRole);
        if (!start.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget)
                               .adjusted(2, 0, -2, 0);
        const int s = std::clamp(start.toInt(), 0, int(text.size()));
        const int n = std::clamp(index.data(MarkLengthRole).toInt(), 0, int(text.size()) - s);
        const QFontMetrics fm(opt.font);
        const QString before = text.left(s), match = text.mid(s, n), after = text.mid(s + n);
        painter->save();
        painter->setClipRect(area);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor normal =
            opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        int x = area.left();
        const int y = area.top() + (area.height() - fm.height()) / 2 + fm.ascent();
        painter->setPen(normal);
        painter->drawText(x, y, before);
        x += fm.horizontalAdvance(before);
        const int w = fm.horizontalAdvance(match);
        const QColor markBack =
            selected ? opt.palette.color(QPalette::Base) : opt.palette.color(QPalette::Highlight);
        painter->fillRect(QRect(x, area.top() + 1, w, area.height() - 2), markBack);
        QFont bold = opt.font;
        bold.setBold(true);
        painter->setPen(selected ? opt.palette.color(QPalette::Text)
                                 : opt.palette.color(QPalette::HighlightedText));
        painter->drawText(x, y, match);
        x += w;
        painter->setPen(normal);
        painter->drawText(x, y, after);
        painter->restore();
    }
};

// Lines are shown without leading blanks and cut short, so a minified page stays readable.
constexpr int kShownLineLength = 300;

} // namespace

struct TFindResultsPanel::Job
{
    FindInFilesScope scope;
    FindInFilesOptions options;
    std::atomic_bool cancel{false};
    std::atomic_int done{0};
    std::atomic_int total{0};
    FindInFilesResult result;
};

QString findInFilesSummary(const FindInFilesResult& result)
{
    if (!result.patternError.isEmpty())
        return QStringLiteral("The regular expression is not valid: %1").arg(result.patternError);
    QString text = QStringLiteral("%1 matches in %2 files (%3 searched)")
                       .arg(result.matchCount())
                       .arg(result.files.size())
                       .arg(result.filesSearched);
    QStringList skipped;
    if (result.binarySkipped)
        skipped << QStringLiteral("%1 binary").arg(result.binarySkipped);
    if (result.largeSkipped)
        skipped << QStringLiteral("%1 over 64 MB").arg(result.largeSkipped);
    if (!result.unreadable.isEmpty())
        skipped << QStringLiteral("%1 unreadable").arg(result.unreadable.size());
    if (!skipped.isEmpty())
        text += QStringLiteral("; skipped: ") + skipped.join(QStringLiteral(", "));
    if (result.cancelled)
        text += QStringLiteral("; cancelled");
    return text;
}

TFindResultsPanel::TFindResultsPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FindResultsPanel"));
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setMaximumWidth(200);
    Progress->setTextVisible(false);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CloseButton = new QToolButton(this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setText(QStringLiteral("\u2715"));
    CloseButton->setToolTip(QStringLiteral("Close"));
    CloseButton->setAutoRaise(true);
    Results = new QTreeWidget(this);
    Results->setObjectName(QStringLiteral("Results"));
    Results->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Text")});
    Results->setItemDelegateForColumn(1, new MatchDelegate(Results));
    Results->setUniformRowHeights(true);
    Results->header()->setStretchLastSection(true);
    Results->setAccessibleName(QStringLiteral("Find in Files results"));

    auto* top = new QHBoxLayout;
    top->setContentsMargins(4, 2, 2, 2);
    top->addWidget(Summary, 1);
    top->addWidget(Progress);
    top->addWidget(CancelButton);
    top->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(Results);
    Progress->hide();
    CancelButton->hide();

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (!job_)
            return;
        Progress->setMaximum(std::max(1, job_->total.load()));
        Progress->setValue(job_->done.load());
    });
    connect(CancelButton, &QPushButton::clicked, this, &TFindResultsPanel::cancel);
    connect(CloseButton, &QToolButton::clicked, this, &TFindResultsPanel::closeRequested);
    connect(Results, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { activate(item); });
}

TFindResultsPanel::~TFindResultsPanel()
{
    if (thread_) {
        job_->cancel = true;
        thread_->wait();
    }
}

void TFindResultsPanel::start(const FindInFilesScope& scope, const FindInFilesOptions& options)
{
    if (thread_) {
        job_->cancel = true;
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    scope_ = scope;
    options_ = options;
    Results->clear();
    result_ = {};
    auto job = std::make_shared<Job>();
    job->scope = scope;
    job->options = options;
    job_ = job;
    Summary->setText(QStringLiteral("Searching..."));
    Progress->setValue(0);
    Progress->show();
    CancelButton->show();
    thread_ = QThread::create([job] {
        job->result =
            findInFiles(job->scope, job->options, &job->cancel, [&job](int done, int total) {
                job->done = done;
                job->total = total;
            });
    });
    // A search replaced by a newer one may still report; only the newest is delivered.
    connect(thread_, &QThread::finished, this, [this, generation = ++generation_] {
        if (generation == generation_)
            deliver();
    });
    progressTimer_->start();
    thread_->start();
}

void TFindResultsPanel::cancel()
{
    if (job_)
        job_->cancel = true;
}

void TFindResultsPanel::deliver()
{
    progressTimer_->stop();
    if (thread_) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    result_ = std::move(job_->result);
    job_.reset();
    Progress->hide();
    CancelButton->hide();
    showResults();
    Q_EMIT finished();
}

void TFindResultsPanel::showResults()
{
    Summary->setText(findInFilesSummary(result_));
    const QDir root(scope_.folder);
    for (const FindInFilesFile& file : result_.files) {
        auto* top = new QTreeWidgetItem(Results);
        const QString name = scope_.folder.isEmpty() ? file.path : root.relativeFilePath(file.path);
        top->setText(
            0,
            QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(name)).arg(file.matches.size()));
        top->setFirstColumnSpanned(true);
        top->setData(0, PathRole, file.path);
        for (const FindInFilesMatch& m : file.matches) {
            auto* item = new QTreeWidgetItem(top);
            QString line = m.lineText;
            int start = m.lineStart;
            int blanks = 0;
            while (blanks < line.size() && line.at(blanks).isSpace())
                ++blanks;
            if (blanks > 0 && blanks <= start) {
                line.remove(0, blanks);
                start -= blanks;
            }
            if (line.size() > kShownLineLength) {
                const int from = std::max(0, start - kShownLineLength / 3);
                line = line.mid(from, kShownLineLength);
                start -= from;
            }
            item->setText(0, QString::number(m.line));
            item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
            item->setText(1, line);
            item->setData(0, PathRole, file.path);
            item->setData(0, FromRole, qlonglong(m.from));
            item->setData(0, ToRole, qlonglong(m.to));
            item->setData(1, MarkStartRole, start);
            item->setData(1, MarkLengthRole, m.lineLength);
        }
        top->setExpanded(true);
    }
    Results->resizeColumnToContents(0);
    if (Results->topLevelItemCount() > 0 && Results->topLevelItem(0)->childCount() > 0)
        Results->setCurrentItem(Results->topLevelItem(0)->child(0));
}

void TFindResultsPanel::activate(QTreeWidgetItem* item)
{
    if (!item || !item->data(0, FromRole).isValid())
        return;
    Q_EMIT openRequested(item->data(0, PathRole).toString(),
                         long(item->data(0, FromRole).toLongLong()),
                         long(item->data(0, ToRole).toLongLong()));
}
