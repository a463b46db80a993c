#include "bench_harness.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Bench {

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

Medians fromRuns(const QList<double>& ours, const QList<double>& baseline)
{
    return {median(ours), median(baseline), Spread::of(ours), Spread::of(baseline),
            int(qMin(ours.size(), baseline.size()))};
}

Medians measurePair(const Side& ours, const Side& baseline, int runs)
{
    ours();
    baseline();
    QList<double> a, b;
    const int most = 3 * runs;
    for (int i = 0; i < most; ++i) {
        if (i >= runs && relativeIqr(a) <= 0.1 && relativeIqr(b) <= 0.1)
            break;
        if (i % 2) {
            b.append(baseline());
            a.append(ours());
        } else {
            a.append(ours());
            b.append(baseline());
        }
    }
    return fromRuns(a, b);
}

Row row(const QString& name, const QString& unit, const Medians& m, double target,
        const QString& baselineName)
{
    Row r{name, unit, m.ours, m.baseline, target, baselineName};
    r.oursSpread = m.oursSpread;
    r.baselineSpread = m.baselineSpread;
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
    QString out = QStringLiteral("| case | ours: min / median / max | baseline: min / median / "
                                 "max | ratio of medians | target | result |\n"
                                 "|---|---:|---:|---:|---:|---|\n");
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
            out += QStringLiteral("| %1 | – | – | – | ≤ %2 | n/a: %3 |\n")
                       .arg(name, QString::number(row.target, 'f', 1), row.note);
            continue;
        }
        // A row without a target only reports its figures.
        const bool reportOnly = row.target <= 0;
        out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                   .arg(name, spread(row.oursSpread, row.ours, row.unit),
                        spread(row.baselineSpread, row.baseline, row.unit),
                        QString::number(row.ratio(), 'f', 2),
                        reportOnly ? QStringLiteral("–")
                                   : QStringLiteral("≤ ") + QString::number(row.target, 'f', 1),
                        reportOnly     ? QStringLiteral("reported")
                        : row.passed() ? QStringLiteral("pass")
                        : row.counted  ? QStringLiteral("FAIL")
                                       : QStringLiteral("over (not counted)"));
    }
    return out;
}

} // namespace Bench
