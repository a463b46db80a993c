#pragma once

#include "site/find_in_files.h"

#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Find in Files panel under the editor: the search runs on its own thread with a progress
// bar and Cancel; the matches come grouped by file, each line with the match marked. Enter or
// a double-click on a match asks the window to open the page there.
class TFindResultsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TFindResultsPanel(QWidget* parent = nullptr);
    ~TFindResultsPanel() override;

    // Starts a search, cancelling one still running; paths are shown below the scope's folder.
    void start(const FindInFilesScope& scope, const FindInFilesOptions& options);
    bool running() const { return thread_ != nullptr; }
    void cancel();
    const FindInFilesResult& result() const { return result_; }
    const QString& folder() const { return scope_.folder; }
    const FindInFilesScope& scope() const { return scope_; }
    const FindInFilesOptions& options() const { return options_; }
    // Opens the match of the given item, as Enter would.
    void activate(QTreeWidgetItem* item);

    QTreeWidget* Results = nullptr;
    QLabel* Summary = nullptr;
    QProgressBar* Progress = nullptr;
    QPushButton* CancelButton = nullptr;
    QToolButton* CloseButton = nullptr;

Q_SIGNALS:
    void finished();
    void openRequested(const QString& path, long from, long to);
    void closeRequested();

private:
    struct Job;
    void deliver();
    void showResults();

    std::shared_ptr<Job> job_;
    QThread* thread_ = nullptr;
    int generation_ = 0;
    QTimer* progressTimer_ = nullptr;
    FindInFilesResult result_;
    FindInFilesScope scope_;
    FindInFilesOptions options_;
};

// "N matches in M files", with what was skipped and why.
QString findInFilesSummary(const FindInFilesResult& result);
