#include "check/markup_child.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace PageCheck {

namespace {

// How the child tells its parent it ran out of memory (Tidy's own allocator exits with 2).
constexpr int kOutOfMemory = 3;

QMutex limitsLock;
MarkupChildLimits childLimits;

// One line per finding: "F kind start length line column message", the message
// percent-encoded; "P bytes" while Tidy reads; "E" once everything is out.
QByteArray findingLine(const Finding& f)
{
    return "F " + QByteArray::number(int(f.kind)) + ' ' + QByteArray::number(f.start) + ' ' +
           QByteArray::number(f.length) + ' ' + QByteArray::number(f.line) + ' ' +
           QByteArray::number(f.column) + ' ' + f.message.toUtf8().toPercentEncoding() + '\n';
}

bool readFindingLine(const QByteArray& line, Finding& f)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 7 || parts[0] != "F")
        return false;
    const int kind = parts[1].toInt();
    if (kind < int(Kind::Error) || kind > int(Kind::Note))
        return false;
    f.kind = Kind(kind);
    f.start = parts[2].toLongLong();
    f.length = parts[3].toLongLong();
    f.line = parts[4].toInt();
    f.column = parts[5].toInt();
    f.message = QString::fromUtf8(QByteArray::fromPercentEncoding(parts[6]));
    return true;
}

Finding stopped(const QString& why)
{
    Finding f;
    f.kind = Kind::Error;
    f.message =
        QStringLiteral("The markup check stopped (%1); the links were still checked").arg(why);
    return f;
}

void writeOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

std::optional<int> runMarkupChildIfAsked(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], kMarkupChildOption) != 0)
        return std::nullopt;
    std::set_new_handler([] { std::_Exit(kOutOfMemory); });
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 1;
    const QByteArray page = in.readAll();
    Progress progress;
    QList<Finding> findings;
    std::unique_ptr<QThread> check(
        QThread::create([&] { findings = checkMarkup(page, &progress); }));
    check->setStackSize(kCheckStackBytes);
    check->start();
    qint64 reported = -1;
    while (!check->wait(100)) {
        if (const qint64 done = progress.done.load(); done != reported) {
            writeOut("P " + QByteArray::number(done) + '\n');
            reported = done;
        }
    }
    QByteArray out;
    for (const Finding& f : std::as_const(findings))
        out += findingLine(f);
    writeOut(out + "E\n");
    return 0;
}

void setMarkupChildLimits(const MarkupChildLimits& limits)
{
    QMutexLocker lock(&limitsLock);
    childLimits = limits;
}

QList<Finding> checkMarkupInChild(const QByteArray& utf8, Progress* progress)
{
    MarkupChildLimits limits;
    {
        QMutexLocker lock(&limitsLock);
        limits = childLimits;
    }
    if (limits.program.isEmpty())
        limits.program = QCoreApplication::applicationFilePath();
    const qint64 megabytes = utf8.size() / (1024 * 1024);
    if (limits.memoryBytes <= 0)
        limits.memoryBytes = (qint64(1) << 30) + 32 * qint64(utf8.size());
    if (limits.seconds <= 0)
        limits.seconds = int(60 + megabytes);

    QProcess child;
    child.setProgram(limits.program);
    child.setArguments({QString::fromLatin1(kMarkupChildOption)});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_UNIX
    const rlim_t memory = rlim_t(limits.memoryBytes);
    const rlim_t seconds = rlim_t(limits.seconds);
    child.setChildProcessModifier([memory, seconds] {
        // Only what is safe between fork and exec: no allocation, no locks.
        rlimit limit{};
#if !defined(__SANITIZE_ADDRESS__)
        // (A program built with AddressSanitizer reserves terabytes of address space for
        // itself, so there the time limit has to do.)
        limit.rlim_cur = limit.rlim_max = memory;
        setrlimit(RLIMIT_AS, &limit);
#else
        (void)memory;
#endif
        limit.rlim_cur = seconds;
        limit.rlim_max = seconds + 1;
        setrlimit(RLIMIT_CPU, &limit);
        limit.rlim_cur = limit.rlim_max = 0;
        setrlimit(RLIMIT_CORE, &limit);
    });
#endif
    child.start(QIODevice::ReadWrite);
    if (!child.waitForStarted(30000))
        return {stopped(QStringLiteral("it could not be started: %1").arg(child.errorString()))};
    child.write(utf8);
    child.closeWriteChannel();

    // Time that passes while the child waits for a processor counts too, more leniently.
    const qint64 wallLimit = 2000 * qint64(limits.seconds);
    QElapsedTimer clock;
    clock.start();
    QList<Finding> findings;
    QByteArray pending;
    bool complete = false;
    const auto readLines = [&] {
        pending += child.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            Finding f;
            if (line.startsWith("P ")) {
                if (progress)
                    progress->done.store(qBound<qint64>(0, line.mid(2).toLongLong(), utf8.size()));
            } else if (line == "E") {
                complete = true;
            } else if (readFindingLine(line, f)) {
                findings.append(f);
            }
        }
    };
    const auto end = [&child] {
        child.kill();
        child.waitForFinished(-1);
    };
    while (child.state() != QProcess::NotRunning) {
        if (progress && progress->stop.load()) {
            end();
            return {};
        }
        if (clock.elapsed() > wallLimit) {
            end();
            return {stopped(QStringLiteral("it ran out of time"))};
        }
        child.waitForReadyRead(100);
        readLines();
    }
    child.waitForFinished(-1);
    readLines();
    if (complete && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return findings;
    if (child.exitStatus() == QProcess::NormalExit) {
        const int code = child.exitCode();
        return {stopped(code == kOutOfMemory || code == 2
                            ? QStringLiteral("it ran out of memory")
                            : QStringLiteral("it ended with code %1").arg(code))};
    }
#ifdef Q_OS_UNIX
    // QProcess gives the signal that ended the child as its exit code.
    const int signal = child.exitCode();
    if (signal == SIGXCPU || signal == SIGKILL)
        return {stopped(QStringLiteral("it ran out of time"))};
    return {stopped(QStringLiteral("it crashed with signal %1").arg(signal))};
#else
    return {stopped(QStringLiteral("it crashed"))};
#endif
}

} // namespace PageCheck
