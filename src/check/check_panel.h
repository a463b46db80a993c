#pragma once

#include "check/page_check.h"

#include <QPointer>
#include <QTreeView>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QStandardItemModel;
class QThread;
class QTimer;
class QToolButton;
class TMarginRichEdit;
class TFindingsModel;

// The list of findings: Enter chooses one, Ctrl+C copies, Escape closes the panel.
class TCheckList : public QTreeView
{
    Q_OBJECT
public:
    using QTreeView::QTreeView;

Q_SIGNALS:
    void chosen(int row);
    void copyRequested();
    void closeRequested();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The Check Page panel under the editor. A check runs on its own thread over a copy of the
// text (Tidy in a child process); its findings are then pinned to the text with hidden editor
// marks, so they follow later edits, and a finding whose place was edited away is greyed.
// While the panel is shown, it asks for a new check a second after typing pauses.
class TCheckPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TCheckPanel(TMarginRichEdit* editor, QWidget* parent = nullptr);
    ~TCheckPanel() override;

    // Checks the editor's current text. `pageFile`: the page's path, empty when untitled;
    // `fileLabel` names the page in copied findings; `siteFolder` what the link check may read
    // (empty: the site-folder rule for the page).
    void start(const QString& pageFile, const QString& fileLabel,
               const QString& siteFolder = QString());
    // Checks every page of `folder` (the editor's page `openPage` as it stands in the editor)
    // and lists the findings grouped by file.
    void startSite(const QString& folder, const QString& openPage);
    bool running() const { return job_ != nullptr || siteJob_ != nullptr; }
    bool showsSite() const { return siteMode_; }

    int findingCount() const;
    bool isStale(int row) const;
    // Selects a finding's place in the editor; false when it has none or it was edited away.
    bool chooseFinding(int row);
    // The findings in the one-per-line form: the selected ones, or all when none is selected.
    QString findingsText(bool selectedOnly = true) const;
    void copyFindings(bool selectedOnly = true);
    // Looks up where each finding stands now (also done a moment after every edit).
    void refreshPlaces();

    TCheckList* List = nullptr;
    QLabel* Summary = nullptr;
    QProgressBar* Progress = nullptr;
    QToolButton* CloseButton = nullptr;

Q_SIGNALS:
    void finished();
    void closeRequested();
    // Typing paused while the panel is shown: whoever knows the page's name starts a check.
    void recheckWanted();
    // A finding of Check Site was chosen: its page is to be shown with the place selected.
    void siteFindingChosen(const QString& path, qsizetype start, qsizetype length);

private:
    struct Job;
    struct SiteJob;
    void deliver(const std::shared_ptr<Job>& job);
    void deliverSite(const std::shared_ptr<SiteJob>& job);
    void showPageFindings();
    bool chooseSiteFinding(const QModelIndex& index);
    void chooseRow(const QModelIndex& index);
    void showMenu(const QPoint& at);
    void updateProgress();

    QPointer<TMarginRichEdit> editor_;
    TFindingsModel* model_ = nullptr;
    std::shared_ptr<Job> job_;
    std::vector<std::pair<QThread*, std::shared_ptr<Job>>> threads_;
    QStandardItemModel* siteModel_ = nullptr;
    std::shared_ptr<SiteJob> siteJob_;
    std::vector<std::pair<QThread*, std::shared_ptr<SiteJob>>> siteThreads_;
    bool siteMode_ = false;
    QTimer* progressTimer_ = nullptr;
    QTimer* placesTimer_ = nullptr;
    QTimer* recheckTimer_ = nullptr;
    QByteArray checkedText_; // the text the last check started from
    int indicator_ = -1;
    QString fileLabel_;
};
