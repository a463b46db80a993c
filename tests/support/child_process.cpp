#include "support/child_process.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSkipMark = QStringLiteral("\x01skip:");
constexpr uid_t kNobody = 65534;

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray readAllFrom(int fd)
{
    QByteArray out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return out;
        out.append(buffer, n);
    }
}

bool handOver(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::lchown(native.constData(), kNobody, kNobody) != 0)
        return false;
    QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return true;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext())
        if (!handOver(it.next()))
            return false;
    return true;
}

QString dropPrivileges(const QStringList& paths)
{
    if (::geteuid() != 0)
        return QString();
    for (const QString& path : paths)
        if (!handOver(path))
            return skipReason(QStringLiteral("cannot hand %1 to an unprivileged user: %2")
                                  .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        return skipReason(QStringLiteral("cannot give up root: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (::setuid(0) == 0)
        return skipReason(QStringLiteral("root could be regained after dropping it"));
    // A temporary folder below a private one (a root-only TMPDIR) is out of the user's reach.
    for (const QString& path : paths)
        if (::access(QFile::encodeName(path).constData(), R_OK | X_OK) != 0)
            return skipReason(QStringLiteral("%1 cannot be reached by an unprivileged user; "
                                             "point TMPDIR at a folder like /tmp")
                                  .arg(path));
    // The user's own state folder (recovery copies, save journals), as a real user has one.
    char state[] = "/tmp/vorlane-state-XXXXXX";
    if (::mkdtemp(state) == nullptr)
        return skipReason(QStringLiteral("no state folder for the unprivileged user"));
    qputenv("XDG_STATE_HOME", state);
    return QString();
}

} // namespace

QString skipReason(const QString& why)
{
    return kSkipMark + why;
}

ChildOutcome runInChild(const std::function<QString()>& body, int timeoutMs)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {ChildOutcome::Failed, QStringLiteral("pipe failed")};
    const pid_t child = ::fork();
    if (child < 0)
        return {ChildOutcome::Failed, QStringLiteral("fork failed")};
    if (child == 0) {
        ::close(pipeEnds[0]);
        QString result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = QStringLiteral("exception: %1").arg(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            result = QStringLiteral("unexpected exception");
        }
        writeAll(pipeEnds[1], result.toUtf8());
        ::close(pipeEnds[1]);
        // No destructors, no exit handlers: the parent owns everything the child inherited.
        ::_exit(0);
    }
    ::close(pipeEnds[1]);

    QElapsedTimer timer;
    timer.start();
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && timer.elapsed() < timeoutMs)
        ::usleep(2000);
    if (done == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ::close(pipeEnds[0]);
        return {ChildOutcome::Failed, QStringLiteral("the child hung for %1 ms").arg(timeoutMs)};
    }
    const QString message = QString::fromUtf8(readAllFrom(pipeEnds[0]));
    ::close(pipeEnds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {ChildOutcome::Failed,
                QStringLiteral("the child died (status %1) after: %2").arg(status).arg(message)};
    if (message.startsWith(kSkipMark))
        return {ChildOutcome::Skipped, message.mid(kSkipMark.size())};
    if (!message.isEmpty())
        return {ChildOutcome::Failed, message};
    return {ChildOutcome::Passed, QString()};
}

ChildOutcome runUnprivileged(const QStringList& paths, const std::function<QString()>& body,
                             int timeoutMs)
{
    return runInChild(
        [&]() -> QString {
            const QString problem = dropPrivileges(paths);
            return problem.isEmpty() ? body() : problem;
        },
        timeoutMs);
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
