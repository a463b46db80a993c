#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A small harness for ratio benchmarks: each case runs against its baseline pair by pair in
// the same process, and only medians are compared. Verdicts go by processor time, not by the
// clock on the wall: on a shared machine the wall clock also counts the time other programs
// held the cores, processor time only the work done.
namespace Bench {

double median(QList<double> values);

// One side of a pair: does its own untimed preparation, and returns the milliseconds of the
// part that counts (use Stopwatch).
using Side = std::function<double()>;

// Whose processor time a Stopwatch counts.
enum class Clock {
    Thread,  // the measuring thread's: the work is done on it
    Process, // every thread of this process and the children it has waited for since the
             // start: the work goes to worker threads or to a child process
};

// ms() returns the processor time of its clock since it was made. The wall-clock time of the
// same span is kept (lastWallMs) and shown beside it in the table.
class Stopwatch
{
public:
    explicit Stopwatch(Clock clock = Clock::Thread);
    double ms() const;
    static double lastWallMs();

private:
    Clock clock_;
    double cpuStart_ = 0;
    QElapsedTimer timer_;
};

// The processor time of `clock` so far, in milliseconds.
double cpuMs(Clock clock);

// Minimum, median and maximum of one side's runs.
struct Spread
{
    double min = 0;
    double median = 0;
    double max = 0;
    static Spread of(const QList<double>& values);
};

struct Medians
{
    double ours = 0;
    double baseline = 0;
    Spread oursSpread;
    Spread baselineSpread;
    int pairs = 0;
    // Medians of the wall-clock time of the same runs (0: not measured).
    double oursWall = 0;
    double baselineWall = 0;
};

// Runs one untimed warm-up pair, then at least `runs` pairs (the side that goes first
// alternates), and more, up to three times as many, while either median is still uncertain:
// while the middle half of its runs spans more than a tenth of the median.
Medians measurePair(const Side& ours, const Side& baseline, int runs);
// The same figures for lists gathered elsewhere (whole processes).
Medians fromRuns(const QList<double>& ours, const QList<double>& baseline,
                 const QList<double>& oursWall = {}, const QList<double>& baselineWall = {});

// What a child process cost: wall-clock time from spawn to exit, from spawn to the moment it
// reported "ready <CLOCK_MONOTONIC ns>" on standard output (0 when it did not), its user and
// system time (the probes end at once when ready, so this is the processor time up to then)
// and its peak resident set.
struct ProcessCost
{
    double ms = 0;
    double readyMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
    int exitCode = -1;
};
// Starts `program` with `arguments` in the current environment and waits for it.
ProcessCost runProcess(const QString& program, const QStringList& arguments);

struct Row
{
    QString name;
    QString unit; // "ms" or "MiB"
    double ours = 0;
    double baseline = 0;
    double target = 0; // largest ratio that passes
    QString baselineName;
    bool applicable = true;
    Spread oursSpread; // filled from Medians by row()
    Spread baselineSpread;
    QString note;        // shown for rows that are not applicable
    bool counted = true; // false: shown, but a miss does not fail the run
    double oursWall = 0; // wall-clock medians, shown beside the verdict's figures
    double baselineWall = 0;
    QString measure = QStringLiteral("thread CPU"); // what the verdict's figures are

    double ratio() const { return baseline > 0 ? ours / baseline : 0; }
    bool passed() const { return !applicable || ratio() <= target; }
};

// A row from a measured pair.
Row row(const QString& name, const QString& unit, const Medians& m, double target,
        const QString& baselineName);

// The table as Markdown, one row per case.
QString formatTable(const QList<Row>& rows);

// Starts `count` processes that keep a core busy each until stopLoad() or until this process
// ends in any way (they are told to die with it). Call before any thread is started.
void startLoad(int count);
void stopLoad();

} // namespace Bench
