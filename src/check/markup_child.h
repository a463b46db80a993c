#pragma once

#include "check/page_check.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QProcess;

// The markup check of the editor's page runs HTML Tidy in a child process: the program itself,
// started with a hidden option, reads the page on standard input and writes its findings on
// standard output. A fault inside Tidy, an endless loop or a page that takes all memory then
// ends the child, never the editor.
namespace PageCheck {

inline constexpr char kMarkupChildOption[] = "--markup-check-child";

// When argv[1] is the hidden option, serves as the child and returns its exit code; otherwise
// nothing. Called first thing in main() (every program of ours that shows the panel does so,
// the test programs too, so the child is always the program that is running).
std::optional<int> runMarkupChildIfAsked(int argc, char** argv);

struct MarkupChildLimits
{
    QString program;        // empty: the running program
    qint64 memoryBytes = 0; // address space; 0: 1 GiB plus 32 bytes per byte of the page
    int seconds = 0;        // processor time; 0: 60 plus one per MB of the page
};
// For tests: another program, or tighter limits.
void setMarkupChildLimits(const MarkupChildLimits& limits);

// checkMarkup in a child process. When the child dies or runs out of time, the one finding is
// an error saying so. A check asked to stop ends the child and gives nothing.
QList<Finding> checkMarkupInChild(const QByteArray& utf8, Progress* progress);

// One child that checks page after page, for checking many pages: started on first use, and
// again for the next page after one ended it. Used from one thread only.
class MarkupChildSession
{
public:
    MarkupChildSession();
    ~MarkupChildSession();
    MarkupChildSession(const MarkupChildSession&) = delete;
    MarkupChildSession& operator=(const MarkupChildSession&) = delete;

    // As checkMarkupInChild, for one page of many.
    QList<Finding> check(const QByteArray& utf8, const std::atomic<bool>* stop = nullptr);

private:
    std::unique_ptr<QProcess> child_;
    QByteArray pending_;
};

} // namespace PageCheck
