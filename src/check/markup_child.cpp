#include "check/markup_child.h"

#include "check/tidy_document.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include <algorithm>
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

// The hidden option's second word for a child that checks page after page.
constexpr char kManyPages[] = "--pages";
// The biggest page a child that checks many pages is given, for its memory limit.
constexpr qint64 kLargestOfMany = 64 * 1024 * 1024;

MarkupChildLimits currentLimits()
{
    QMutexLocker lock(&limitsLock);
    MarkupChildLimits limits = childLimits;
    if (limits.program.isEmpty())
        limits.program = QCoreApplication::applicationFilePath();
    return limits;
}

// Limits the child's memory (and, for a single page, its processor time) and keeps it from
// writing a core file.
void limitChild(QProcess& child, qint64 memoryBytes, int seconds)
{
#ifdef Q_OS_UNIX
    const rlim_t memory = rlim_t(memoryBytes);
    const rlim_t cpu = rlim_t(seconds);
    child.setChildProcessModifier([memory, cpu] {
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
        if (cpu > 0) {
            limit.rlim_cur = cpu;
            limit.rlim_max = cpu + 1;
            setrlimit(RLIMIT_CPU, &limit);
        }
        limit.rlim_cur = limit.rlim_max = 0;
        setrlimit(RLIMIT_CORE, &limit);
    });
#else
    (void)child;
    (void)memoryBytes;
    (void)seconds;
#endif
}

// Why a child that did not finish its page ended.
Finding stoppedBy(const QProcess& child);

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

namespace {

// Pages one after another: each arrives as "SIZE\n" and its bytes, and its findings go back
// ending with "E". The processor-time limit is set again before each page, counted from what
// the pages before it used.
int servePages(QFile& in)
{
    int code = 0;
    std::unique_ptr<QThread> serve(QThread::create([&] {
        for (;;) {
            const QByteArray header = in.readLine(32);
            if (header.isEmpty())
                return;
            bool ok = false;
            const qint64 size = header.trimmed().toLongLong(&ok);
            if (!ok || size < 0) {
                code = 1;
                return;
            }
            QByteArray page;
            page.reserve(size);
            while (page.size() < size) {
                const QByteArray piece = in.read(size - page.size());
                if (piece.isEmpty()) {
                    code = 1;
                    return;
                }
                page += piece;
            }
#ifdef Q_OS_UNIX
            rusage used{};
            getrusage(RUSAGE_SELF, &used);
            rlimit limit{};
            getrlimit(RLIMIT_CPU, &limit);
            const rlim_t wanted =
                rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec + 61 + size / (1024 * 1024));
            limit.rlim_cur =
                limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
            setrlimit(RLIMIT_CPU, &limit);
#endif
            QByteArray out;
            for (const Finding& f : checkMarkup(page))
                out += findingLine(f);
            writeOut(out + "E\n");
        }
    }));
    serve->setStackSize(kCheckStackBytes);
    serve->start();
    serve->wait();
    return code;
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
    if (argc > 2 && std::strcmp(argv[2], kManyPages) == 0)
        return servePages(in);
    // One page, then this process ends.
    TidyDocument::leaveToProcessEnd();
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
    // Ends at once: what the check built is given back with the process, not freed piece by
    // piece (nor listed as left over by a leak checker).
    std::_Exit(0);
}

void setMarkupChildLimits(const MarkupChildLimits& limits)
{
    QMutexLocker lock(&limitsLock);
    childLimits = limits;
}

QList<Finding> checkMarkupInChild(const QByteArray& utf8, Progress* progress)
{
    MarkupChildLimits limits = currentLimits();
    const qint64 megabytes = utf8.size() / (1024 * 1024);
    if (limits.memoryBytes <= 0)
        limits.memoryBytes = (qint64(1) << 30) + 32 * qint64(utf8.size());
    if (limits.seconds <= 0)
        limits.seconds = int(60 + megabytes);

    QProcess child;
    child.setProgram(limits.program);
    child.setArguments({QString::fromLatin1(kMarkupChildOption)});
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    limitChild(child, limits.memoryBytes, limits.seconds);
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
    return {stoppedBy(child)};
}

namespace {

Finding stoppedBy(const QProcess& child)
{
    if (child.exitStatus() == QProcess::NormalExit) {
        const int code = child.exitCode();
        return stopped(code == kOutOfMemory || code == 2
                           ? QStringLiteral("it ran out of memory")
                           : QStringLiteral("it ended with code %1").arg(code));
    }
#ifdef Q_OS_UNIX
    // QProcess gives the signal that ended the child as its exit code.
    const int signal = child.exitCode();
    if (signal == SIGXCPU || signal == SIGKILL)
        return stopped(QStringLiteral("it ran out of time"));
    return stopped(QStringLiteral("it crashed with signal %1").arg(signal));
#else
    return stopped(QStringLiteral("it crashed"));
#endif
}

} // namespace

MarkupChildSession::MarkupChildSession() = default;

MarkupChildSession::~MarkupChildSession()
{
    if (child_) {
        child_->closeWriteChannel();
        if (!child_->waitForFinished(1000)) {
            child_->kill();
            child_->waitForFinished(-1);
        }
    }
}

QList<Finding> MarkupChildSession::check(const QByteArray& utf8, const std::atomic<bool>* stop)
{
    const MarkupChildLimits limits = currentLimits();
    const int seconds = limits.seconds > 0 ? limits.seconds : int(60 + utf8.size() / (1024 * 1024));
    if (!child_) {
        child_ = std::make_unique<QProcess>();
        child_->setProgram(limits.program);
        child_->setArguments(
            {QString::fromLatin1(kMarkupChildOption), QString::fromLatin1(kManyPages)});
        child_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The processor-time limit is the child's own business, page by page.
        limitChild(*child_,
                   limits.memoryBytes > 0 ? limits.memoryBytes
                                          : (qint64(1) << 30) + 32 * kLargestOfMany,
                   0);
        pending_.clear();
        child_->start(QIODevice::ReadWrite);
        if (!child_->waitForStarted(30000)) {
            const QString why = child_->errorString();
            child_.reset();
            return {stopped(QStringLiteral("it could not be started: %1").arg(why))};
        }
    }
    child_->write(QByteArray::number(utf8.size()) + '\n');
    child_->write(utf8);

    const qint64 wallLimit = 2000 * qint64(seconds);
    QElapsedTimer clock;
    clock.start();
    QList<Finding> findings;
    const auto end = [this] {
        child_->kill();
        child_->waitForFinished(-1);
        child_.reset();
    };
    for (;;) {
        pending_ += child_->readAllStandardOutput();
        for (qsizetype at; (at = pending_.indexOf('\n')) >= 0;) {
            const QByteArray line = pending_.left(at);
            pending_.remove(0, at + 1);
            if (line == "E")
                return findings;
            Finding f;
            if (readFindingLine(line, f))
                findings.append(f);
        }
        if (child_->state() == QProcess::NotRunning) {
            const Finding why = stoppedBy(*child_);
            child_.reset();
            return {why};
        }
        if (stop && stop->load()) {
            end();
            return {};
        }
        if (clock.elapsed() > wallLimit) {
            end();
            return {stopped(QStringLiteral("it ran out of time"))};
        }
        child_->waitForReadyRead(100);
    }
}

} // namespace PageCheck
