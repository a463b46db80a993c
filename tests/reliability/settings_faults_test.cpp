#include "core/app_error.h"
#include "core/settings_store.h"
#include "support/child_process.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class WriteKind { Value, SubkeyValue, EraseSubkey };

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.message();
    }
    return QString();
}

QString backupPath()
{
    return settingsFilePath() + QStringLiteral(".unreadable");
}

void writeOnce(WriteKind kind)
{
    switch (kind) {
    case WriteKind::Value:
        WriteSetting(Setting::WordWrap, QStringLiteral("Y"));
        break;
    case WriteKind::SubkeyValue:
        WriteSubkeyValue(kRecentFilesKeyPath, kRecentFilesSubkey, QStringLiteral("F0"),
                         QStringLiteral("/p/a.htm"));
        break;
    case WriteKind::EraseSubkey:
        EraseSubkey(kRecentFilesKeyPath, kRecentFilesSubkey);
        break;
    }
}

// One running instance of the program, as far as the store goes: a forked process that
// performs the writes it is sent, one line "name=value" at a time, and answers each.
class Instance
{
public:
    Instance()
    {
        int toChild[2], fromChild[2];
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0)
            qFatal("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(toChild[1]);
            ::close(fromChild[0]);
            serve(toChild[0], fromChild[1]);
            ::_exit(0);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        out_ = toChild[1];
        in_ = fromChild[0];
    }
    ~Instance()
    {
        ::close(out_);
        ::close(in_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }

    // The error text of the write, empty when it worked.
    QString write(const QString& name, const QString& value)
    {
        const QByteArray line = (name + QLatin1Char('=') + value + QLatin1Char('\n')).toUtf8();
        if (::write(out_, line.constData(), size_t(line.size())) != line.size())
            return QStringLiteral("instance gone");
        return QString::fromUtf8(readLine(in_));
    }

private:
    static QByteArray readLine(int fd)
    {
        QByteArray line;
        char c;
        while (::read(fd, &c, 1) == 1 && c != '\n')
            line.append(c);
        return line;
    }

    static void serve(int in, int out)
    {
        for (;;) {
            const QByteArray line = readLine(in);
            if (line.isEmpty())
                return;
            const qsizetype eq = line.indexOf('=');
            const QString error = errorOf([&] {
                WriteSetting(settingNamed(QString::fromUtf8(line.left(eq))),
                             QString::fromUtf8(line.mid(eq + 1)));
            });
            const QByteArray answer = error.toUtf8() + '\n';
            if (::write(out, answer.constData(), size_t(answer.size())) != answer.size())
                return;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
};

// Writes one value with standard error kept in `said`; the empty text when the write worked.
QString writeKeepingErrors(const QString& said)
{
    const int kept =
        ::open(QFile::encodeName(said).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (kept < 0 || ::dup2(kept, STDERR_FILENO) < 0)
        return QStringLiteral("cannot keep standard error");
    ::close(kept);
    const QString error = errorOf([] { WriteSetting(Setting::Font, QStringLiteral("Verdana")); });
    if (!error.isEmpty())
        return error;
    if (ReadSetting(Setting::Font) != QLatin1String("Verdana"))
        return QStringLiteral("the value was not written");
    return QString();
}

const QByteArray kLockMessage = "could not be taken; writing the settings without it";

} // namespace

Q_DECLARE_METATYPE(WriteKind)

class SettingsFaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        clearSettings();
        QFile::remove(backupPath());
        // Tests run as another user leave the lock folder theirs; root would not trust it.
        QDir(QFileInfo(settingsLockPath()).path()).removeRecursively();
    }

    // Qt reports a store it cannot parse only when it first reads the file, and quietly drops
    // the lines it could not parse when it writes. A copy of the old file must exist before
    // that first write, even when reads have already taken place.
    void unparsableStoreIsCopiedBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("readFirst");
        QTest::addColumn<WriteKind>("write");
        const QByteArray unclosed = "[General]\nFont=Arial\n[Broken\nx\"=1\n";
        const QByteArray unclosedLast = "[General]\nFont=Arial\n[Recent Files\n";
        QTest::newRow("written at once") << unclosed << false << WriteKind::Value;
        QTest::newRow("read first") << unclosed << true << WriteKind::Value;
        QTest::newRow("recent file written") << unclosed << true << WriteKind::SubkeyValue;
        QTest::newRow("recent files erased") << unclosedLast << true << WriteKind::EraseSubkey;
    }
    void unparsableStoreIsCopiedBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, readFirst);
        QFETCH(WriteKind, write);
        writeSettingsFile(file);
        if (readFirst) {
            // What start-up does: values and the recent files are read long before any write.
            QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Arial"));
            ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey);
        }
        writeOnce(write);
        QCOMPARE(readFile(backupPath()), file);
        QCOMPARE(ReadSetting(Setting::Font), QStringLiteral("Arial"));

        // Once rewritten the store parses again; later writes leave the copy alone.
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        QCOMPARE(readFile(backupPath()), file);
        QCOMPARE(ReadSetting(Setting::Welcome), QStringLiteral("N"));
    }

    void parsableStoreGetsNoCopy()
    {
        writeSettingsFile("[General]\nFont=Arial\n");
        ReadSetting(Setting::Font);
        WriteSetting(Setting::WordWrap, QStringLiteral("Y"));
        QVERIFY(!QFileInfo::exists(backupPath()));
    }

    // A value is a string, or the read fails with the type message; nothing else.
    void storedValuesOfEveryShape_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("typeError");
        QTest::newRow("plain") << QByteArray("Font=Verdana") << QStringLiteral("Verdana") << false;
        QTest::newRow("empty") << QByteArray("Font=") << QString() << false;
        QTest::newRow("quoted comma")
            << QByteArray("Font=\"a, b\"") << QStringLiteral("a, b") << false;
        QTest::newRow("escaped at") << QByteArray("Font=@@x") << QStringLiteral("@x") << false;
        QTest::newRow("invalid is absent")
            << QByteArray("Font=@Invalid()") << QStringLiteral("Arial") << false;
        QTest::newRow("list") << QByteArray("Font=a, b") << QString() << true;
        QTest::newRow("byte array") << QByteArray("Font=@ByteArray(Arial)") << QString() << true;
        QTest::newRow("rectangle") << QByteArray("Font=@Rect(1 2 3 4)") << QString() << true;
        QTest::newRow("size") << QByteArray("Font=@Size(1 2)") << QString() << true;
        QTest::newRow("variant") << QByteArray("Font=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)")
                                 << QString() << true;
        // A value Qt cannot decode at all reads as absent.
        QTest::newRow("bad variant")
            << QByteArray("Font=@Variant(\\xff\\xff)") << QStringLiteral("Arial") << false;
    }
    void storedValuesOfEveryShape()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, value);
        QFETCH(bool, typeError);
        writeSettingsFile("[General]\n" + line + "\nWordWrap=Y\n");
        QString read;
        const QString error = errorOf([&] { read = ReadSetting(Setting::Font); });
        QCOMPARE(error, typeError ? QStringLiteral("Invalid data type for 'Font'") : QString());
        QCOMPARE(read, value);
        // The neighbours read as usual.
        QCOMPARE(ReadSetting(Setting::WordWrap), QStringLiteral("Y"));
    }

    // Store files the program cannot use: reads fall back to the defaults, writes fail with
    // their message and leave the file as it was. Run as an unprivileged user, since root
    // reads and writes whatever the permissions say.
    void unusableStoreFile_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("writeError");
        const QString refused = QStringLiteral("Failed to set data for 'WordWrap'");
        QTest::newRow("no permissions") << QStringLiteral("mode 000") << refused;
        QTest::newRow("write only") << QStringLiteral("mode 200") << refused;
        QTest::newRow("read only") << QStringLiteral("mode 400") << refused;
        QTest::newRow("folder read only") << QStringLiteral("folder 555") << refused;
        QTest::newRow("a directory") << QStringLiteral("directory") << refused;
        QTest::newRow("folder is a file")
            << QStringLiteral("folder file")
            << QStringLiteral("Failed to create key Software\\Tallowmark\\Vorlane");
    }
    void unusableStoreFile()
    {
        QFETCH(QString, shape);
        QFETCH(QString, writeError);
        const QByteArray stored = "[General]\nFont=Verdana\nWordWrap=N\n";
        const QString file = settingsFilePath();
        const QString folder = QFileInfo(file).absolutePath();
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        if (shape == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(file));
        } else if (shape == QLatin1String("folder file")) {
            writeFile(folder, stored);
        } else {
            writeSettingsFile(stored);
        }
        const QByteArray before = readFile(file);
        const QString home = QFileInfo(folder).absolutePath();

        VERIFY_CHILD(runUnprivileged({home}, [&]() -> QString {
            const QByteArray native = QFile::encodeName(file);
            if (shape.startsWith(QLatin1String("mode ")))
                ::chmod(native.constData(), mode_t(shape.mid(5).toInt(nullptr, 8)));
            if (shape == QLatin1String("folder 555"))
                ::chmod(QFile::encodeName(folder).constData(), 0555);
            QString problems;
            QString font;
            const QString readError = errorOf([&] { font = ReadSetting(Setting::Font); });
            const QString expectedFont =
                shape == QLatin1String("mode 400") || shape == QLatin1String("folder 555")
                    ? QStringLiteral("Verdana")
                    : QStringLiteral("Arial");
            if (!readError.isEmpty() || font != expectedFont)
                problems += QStringLiteral("read gave '%1' / '%2'; ").arg(font, readError);
            if (!errorOf([&] {
                     ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey);
                 }).isEmpty())
                problems += QStringLiteral("listing failed; ");
            const QString error =
                errorOf([&] { WriteSetting(Setting::WordWrap, QStringLiteral("Y")); });
            if (error != writeError)
                problems += QStringLiteral("write gave '%1'; ").arg(error);
            ::chmod(native.constData(), 0644);
            ::chmod(QFile::encodeName(folder).constData(), 0755);
            return problems;
        }));
        QCOMPARE(readFile(file), before);
        QDir(folder).removeRecursively();
        QFile::remove(folder);
    }

    // Two instances alternate writes; neither loses the other's values, and the last writer of
    // a shared value wins. Two same-sized writes within one tick of the file system's clock
    // look alike by size and time, so the rounds come quickly, and the stress run of the suite
    // repeats the whole test (VORLANE_STRESS_REPEATS, 200 in ctest's settings_stress).
    void twoInstancesKeepEachOthersValues()
    {
        const int repeats = qMax(1, qEnvironmentVariableIntValue("VORLANE_STRESS_REPEATS"));
        for (int repeat = 0; repeat < repeats; ++repeat) {
            clearSettings();
            Instance first;
            Instance second;
            // Each instance owns half of the other keys; the last key is written by both.
            const QList<SettingKey>& keys = Setting::all();
            const int half = int(keys.size() - 1) / 2;
            const int rounds = 40;
            const auto name = [](const SettingKey& key) { return QString::fromUtf8(key.name); };
            for (int i = 0; i < rounds; ++i) {
                const SettingKey& mine = keys.at(i % half);
                const SettingKey& theirs = keys.at(half + i % half);
                QCOMPARE(first.write(name(mine), QStringLiteral("a%1").arg(i % 10)), QString());
                QCOMPARE(second.write(name(theirs), QStringLiteral("b%1").arg(i % 10)), QString());
                // Same-length values: the file's size alone does not show the change.
                QCOMPARE(first.write(name(keys.last()), QStringLiteral("1")), QString());
                QCOMPARE(second.write(name(keys.last()), QStringLiteral("2")), QString());
            }
            for (int i = rounds - half; i < rounds; ++i) {
                QCOMPARE(ReadSetting(keys.at(i % half)), QStringLiteral("a%1").arg(i % 10));
                QCOMPARE(ReadSetting(keys.at(half + i % half)), QStringLiteral("b%1").arg(i % 10));
            }
            QCOMPARE(ReadSetting(keys.last()), QStringLiteral("2"));
        }
    }

    // Another instance in the middle of a change holds the settings lock: a write waits for
    // it, but not for good, and then writes anyway and says so.
    void writeDoesNotWaitForeverForTheLock()
    {
        WriteSetting(Setting::WordWrap, QStringLiteral("N")); // makes the lock file
        const QByteArray lockPath = QFile::encodeName(settingsLockPath());
        struct stat info;
        QCOMPARE(::stat(lockPath.constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(QFileInfo(settingsLockPath()).path()).constData(), &info),
                 0);
        QCOMPARE(info.st_mode & 0777, 0700u);

        const int held = ::open(lockPath.constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
        const QString said =
            QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("said"));
        VERIFY_CHILD(runInChild([&]() -> QString {
            const QString problem = writeKeepingErrors(said);
            if (!problem.isEmpty())
                return problem;
            if (!readFile(said).contains(kLockMessage))
                return QStringLiteral("nothing said about the lock: ") + QString(readFile(said));
            return QString();
        }));
        ::close(held);
    }

    // Another user holding the settings folder, as anyone who can read it could, delays no
    // write; nor can that user open the lock file. The user saving is 65534, the other 65533.
    void anotherUserCannotHoldTheLock()
    {
        if (::geteuid() != 0)
            QSKIP("needs two user ids besides this one (run the suite as root)");
        WriteSetting(Setting::WordWrap, QStringLiteral("N"));
        const QString folder = QFileInfo(settingsFilePath()).path();
        const QString home = QFileInfo(folder).path();
        QVERIFY(::chmod(QFile::encodeName(home).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);

        int report[2];
        QCOMPARE(::pipe(report), 0);
        const pid_t attacker = ::fork();
        if (attacker == 0) {
            ::close(report[0]);
            const char* outcome = "ready";
            int held = -1;
            if (::setgroups(0, nullptr) != 0 || ::setgid(65533) != 0 || ::setuid(65533) != 0)
                outcome = "cannot become 65533";
            else if ((held = ::open(QFile::encodeName(folder).constData(),
                                    O_RDONLY | O_DIRECTORY)) < 0 ||
                     ::flock(held, LOCK_EX | LOCK_NB) != 0)
                outcome = "cannot hold the settings folder";
            else if (::open(QFile::encodeName(settingsLockPath()).constData(), O_RDONLY) >= 0)
                outcome = "opened the lock file";
            if (::write(report[1], outcome, std::strlen(outcome)) < 0)
                ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        ::close(report[1]);
        char outcome[64] = {};
        QVERIFY(::read(report[0], outcome, sizeof outcome - 1) > 0);
        ::close(report[0]);

        const QString said = QDir(home).filePath(QStringLiteral("said"));
        ChildOutcome saved;
        if (QByteArray(outcome) == "ready") {
            saved = runUnprivileged({home}, [&]() -> QString {
                const QString problem = writeKeepingErrors(said);
                if (!problem.isEmpty())
                    return problem;
                if (readFile(said).contains(kLockMessage))
                    return QStringLiteral("the write waited for the other user");
                return QString();
            });
        }
        ::kill(attacker, SIGKILL);
        ::waitpid(attacker, nullptr, 0);
        QCOMPARE(QByteArray(outcome), QByteArray("ready"));
        VERIFY_CHILD(saved);
    }

    // Two instances closing at the same time, really overlapping: every version of the file
    // holds the four window values of one instance. The stress run repeats this too.
    void windowValuesComeFromOneInstance()
    {
        const int repeats = qMax(1, qEnvironmentVariableIntValue("VORLANE_STRESS_REPEATS"));
        const int rounds = 30;
        QTemporaryDir snapshots;
        int sample = 0;
        // The file stays from one repeat to the next, as it does between real instances:
        // deleting it would start the file's times afresh below those the writes pushed ahead.
        clearSettings();
        for (int repeat = 0; repeat < repeats; ++repeat) {
            const auto value = [repeat](int who, int i) {
                return (who + 1) * 100000 + repeat * 100 + i;
            };
            int start[2];
            QCOMPARE(::pipe(start), 0);
            pid_t writers[2];
            for (int who = 0; who < 2; ++who) {
                writers[who] = ::fork();
                if (writers[who] == 0) {
                    ::close(start[1]);
                    char go;
                    if (::read(start[0], &go, 1) != 0)
                        ::_exit(2);
                    for (int i = 0; i < rounds; ++i) {
                        const int v = value(who, i);
                        const QString error = errorOf([&] { WriteWindowGeometry(v, v, v, v); });
                        if (!error.isEmpty())
                            ::_exit(1);
                    }
                    ::_exit(0);
                }
            }
            ::close(start[0]);
            ::close(start[1]); // both start at once
            int running = 2;
            while (running > 0) {
                // Each version on disk is whole (Qt renames it into place): read one and check.
                const QByteArray bytes = readFile(settingsFilePath());
                if (!bytes.isEmpty()) {
                    const QString copy = writeFile(
                        snapshots.filePath(QString::number(++sample) + QStringLiteral(".ini")),
                        bytes);
                    QSettings version(copy, QSettings::IniFormat);
                    const QVariant width = version.value(QStringLiteral("Form Width"));
                    if (width.isValid()) {
                        for (const char* name : {"Form Height", "Form Top", "Form Left"})
                            QCOMPARE(version.value(QLatin1String(name)), width);
                    }
                }
                for (pid_t& writer : writers) {
                    int status = 0;
                    if (writer > 0 && ::waitpid(writer, &status, WNOHANG) == writer) {
                        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                        writer = 0;
                        --running;
                    }
                }
            }
            const QString width = ReadSetting(Setting::FormWidth);
            QCOMPARE(ReadSetting(Setting::FormHeight), width);
            QCOMPARE(ReadSetting(Setting::FormTop), width);
            QCOMPARE(ReadSetting(Setting::FormLeft), width);
        }
    }
};

VORLANE_TEST_MAIN(SettingsFaultsTest)
#include "settings_faults_test.moc"
