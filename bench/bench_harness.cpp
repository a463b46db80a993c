#include "bench_harness.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Bench {

namespace {
double lastWall = 0;

double timevalMs(const timeval& t)
{
    return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
}
} // namespace

double cpuMs(Clock clock)
{
    timespec now{};
    clock_gettime(clock == Clock::Thread ? CLOCK_THREAD_CPUTIME_ID : CLOCK_PROCESS_CPUTIME_ID,
                  &now);
    double ms = double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    if (clock == Clock::Process) {
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        ms += timevalMs(children.ru_utime) + timevalMs(children.ru_stime);
    }
    return ms;
}

Stopwatch::Stopwatch(Clock clock) : clock_(clock), cpuStart_(cpuMs(clock))
{
    timer_.start();
}

double Stopwatch::ms() const
{
    const double cpu = cpuMs(clock_) - cpuStart_;
    lastWall = double(timer_.nsecsElapsed()) / 1e6;
    return cpu;
}

double Stopwatch::lastWallMs()
{
    return lastWall;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Spread Spread::of(const QList<double>& values)
{
    if (values.isEmpty())
        return {};
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return {*low, Bench::median(values), *high};
}

namespace {
// The spread of the middle half, relative to the median.
double relativeIqr(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double m = median(values);
    if (n < 4 || m <= 0)
        return 0;
    return (values[(3 * n) / 4] - values[n / 4]) / m;
}
} // namespace

Medians fromRuns(const QList<double>& ours, const QList<double>& baseline,
                 const QList<double>& oursWall, const QList<double>& baselineWall)
{
    Medians m{median(ours), median(baseline), Spread::of(ours), Spread::of(baseline),
              int(qMin(ours.size(), baseline.size()))};
    m.oursWall = median(oursWall);
    m.baselineWall = median(baselineWall);
    return m;
}

Medians measurePair(const Side& ours, const Side& baseline, int runs)
{
    ours();
    baseline();
    QList<double> a, b, aWall, bWall;
    const auto one = [](const Side& side, QList<double>& into, QList<double>& wall) {
        lastWall = 0;
        into.append(side());
        if (lastWall > 0)
            wall.append(lastWall);
    };
    const int most = 3 * runs;
    for (int i = 0; i < most; ++i) {
        if (i >= runs && relativeIqr(a) <= 0.1 && relativeIqr(b) <= 0.1)
            break;
        if (i % 2) {
            one(baseline, b, bWall);
            one(ours, a, aWall);
        } else {
            one(ours, a, aWall);
            one(baseline, b, bWall);
        }
    }
    return fromRuns(a, b, aWall, bWall);
}

Row row(const QString& name, const QString& unit, const Medians& m, double target,
        const QString& baselineName)
{
    Row r{name, unit, m.ours, m.baseline, target, baselineName};
    r.oursSpread = m.oursSpread;
    r.baselineSpread = m.baselineSpread;
    r.oursWall = m.oursWall;
    r.baselineWall = m.baselineWall;
    return r;
}

ProcessCost runProcess(const QString& program, const QStringList& arguments)
{
    QList<QByteArray> storage;
    storage.append(QFile::encodeName(program));
    for (const QString& a : arguments)
        storage.append(a.toLocal8Bit());
    QList<char*> argv;
    for (QByteArray& s : storage)
        argv.append(s.data());
    argv.append(nullptr);

    ProcessCost cost;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return cost;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);

    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    // posix_spawn does not copy the parent's memory, so a big benchmark process starts its
    // children as quickly as a small one.
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return cost;
    }
    QByteArray output;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const auto nanoseconds = [](const timespec& t) {
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    cost.ms = double(nanoseconds(end) - nanoseconds(start)) / 1e6;
    const qsizetype at = output.indexOf("ready ");
    if (at >= 0) {
        const qint64 ready = output.mid(at + 6).trimmed().split('\n').value(0).toLongLong();
        cost.readyMs = double(ready - nanoseconds(start)) / 1e6;
    }
    cost.cpuMs = timevalMs(usage.ru_utime) + timevalMs(usage.ru_stime);
    cost.peakMiB = double(usage.ru_maxrss) / 1024.0;
    cost.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return cost;
}

namespace {

QString figure(double value, const QString& unit)
{
    if (unit == QLatin1String("MiB"))
        return QString::number(value, 'f', 1) + QLatin1Char(' ') + unit;
    const int decimals = value < 1 ? 3 : value < 10 ? 2 : 1;
    return QString::number(value, 'f', decimals) + QLatin1Char(' ') + unit;
}

} // namespace

QString formatTable(const QList<Row>& rows)
{
    QString out = QStringLiteral("| case | measure | ours: min / median / max | baseline: min / "
                                 "median / max | ratio of medians | target | result | wall: "
                                 "ours / baseline (ratio) |\n"
                                 "|---|---|---:|---:|---:|---:|---|---:|\n");
    const auto spread = [](const Spread& s, double median, const QString& unit) {
        if (s.max <= 0)
            return figure(median, unit);
        return figure(s.min, unit) + QStringLiteral(" / **") + figure(median, unit) +
               QStringLiteral("** / ") + figure(s.max, unit);
    };
    for (const Row& row : rows) {
        const QString name = row.baselineName.isEmpty()
                                 ? row.name
                                 : row.name + QStringLiteral(" — vs ") + row.baselineName;
        if (!row.applicable) {
            out += QStringLiteral("| %1 | – | – | – | – | ≤ %2 | n/a: %3 | – |\n")
                       .arg(name, QString::number(row.target, 'f', 1), row.note);
            continue;
        }
        const QString wall =
            row.oursWall > 0 && row.baselineWall > 0
                ? figure(row.oursWall, QStringLiteral("ms")) + QStringLiteral(" / ") +
                      figure(row.baselineWall, QStringLiteral("ms")) + QStringLiteral(" (") +
                      QString::number(row.oursWall / row.baselineWall, 'f', 2) + QLatin1Char(')')
                : QStringLiteral("–");
        // A row without a target only reports its figures.
        const bool reportOnly = row.target <= 0;
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 |\n")
                   .arg(name,
                        row.unit == QLatin1String("MiB") ? QStringLiteral("peak RSS") : row.measure,
                        spread(row.oursSpread, row.ours, row.unit),
                        spread(row.baselineSpread, row.baseline, row.unit),
                        QString::number(row.ratio(), 'f', 2),
                        reportOnly ? QStringLiteral("–")
                                   : QStringLiteral("≤ ") +
                                         QString::number(row.target, 'f', row.target < 0.1 ? 2 : 1),
                        reportOnly     ? QStringLiteral("reported")
                        : row.passed() ? QStringLiteral("pass")
                        : row.counted  ? QStringLiteral("FAIL")
                                       : QStringLiteral("over (not counted)"),
                        wall);
    }
    return out;
}

namespace {
QList<pid_t> loadProcesses;
}

void startLoad(int count)
{
    const pid_t parent = getpid();
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            // Dies with the benchmark however it ends: Ctrl+C, a crash, qFatal.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(0);
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0)
            loadProcesses.append(pid);
    }
}

void stopLoad()
{
    for (const pid_t pid : std::as_const(loadProcesses))
        kill(pid, SIGKILL);
    for (const pid_t pid : std::as_const(loadProcesses))
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    loadProcesses.clear();
}

} // namespace Bench
