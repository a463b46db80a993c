#include "core/document_file.h"
#include "core/recovery_store.h"
#include "support/child_process.h"
#include "support/test_main.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A page of a few MB whose every line says which version it belongs to.
QByteArray version(char mark, qsizetype megabytes = 3)
{
    QByteArray line = "<P>version X of a page that is saved while the program dies</P>\r\n";
    line[11] = mark;
    return line.repeated(megabytes * 1024 * 1024 / line.size());
}

} // namespace

class CrashConsistencyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A process saving a big page, killed at random moments: after every kill the page is
    // one whole version, never a mix or a stump, and whatever the killed save left behind is
    // a temporary file of ours, gone after the page's next save.
    void killedMidSave()
    {
        QTemporaryDir dir;
        const QString page = writeFile(dir.filePath(QStringLiteral("page.htm")), version('A'));
        const QByteArray versions[] = {version('A'), version('B')};
        auto* random = QRandomGenerator::global();
        int leftovers = 0;
        for (int kill = 0; kill < 40; ++kill) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int i = 0;; ++i)
                    writeFileAtomically(page, versions[(kill + i + 1) % 2]);
            }
            // Anywhere from before the first save to several saves in.
            ::usleep(useconds_t(random->bounded(60000)));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);

            const QByteArray now = readFile(page);
            QVERIFY2(now == versions[0] || now == versions[1],
                     qPrintable(QStringLiteral("after kill %1 the page holds %2 bytes")
                                    .arg(kill)
                                    .arg(now.size())));
            for (const QString& name : folderEntries(dir.path())) {
                if (name == QLatin1String("page.htm"))
                    continue;
                QVERIFY2(isTemporaryFileOf(name, QStringLiteral("page.htm")), qPrintable(name));
                ++leftovers;
            }
        }
        qInfo("%d kills left a temporary file behind", leftovers);
        writeFileAtomically(page, "saved after the crashes");
        QCOMPARE(folderEntries(dir.path()), QStringList{QStringLiteral("page.htm")});
        QCOMPARE(readFile(page), QByteArray("saved after the crashes"));
    }

    // The same for a page saved in place (it has a second hard link): a kill can leave the page
    // torn, but never without the journal of that save, whose restore gives back the whole
    // old version. VORLANE_INPLACE_KILLS and VORLANE_INPLACE_MB make it the long measurement.
    void killedMidSaveInPlace()
    {
        const int kills = qEnvironmentVariableIsSet("VORLANE_INPLACE_KILLS")
                              ? qEnvironmentVariableIntValue("VORLANE_INPLACE_KILLS")
                              : 20;
        const int megabytes = qEnvironmentVariableIsSet("VORLANE_INPLACE_MB")
                                  ? qEnvironmentVariableIntValue("VORLANE_INPLACE_MB")
                                  : 3;
        QTemporaryDir dir;
        const QByteArray versions[] = {version('A', megabytes), version('B', megabytes)};
        const QString page = writeFile(dir.filePath(QStringLiteral("page.htm")), versions[0]);
        const QString twin = dir.filePath(QStringLiteral("same page.htm"));
        QVERIFY(::link(QFile::encodeName(page).constData(), QFile::encodeName(twin).constData()) ==
                0);
        // Kill moments spread over about two saves.
        QElapsedTimer oneSave;
        oneSave.start();
        writePageFile(page, versions[0]);
        const qint64 window = qMax<qint64>(2 * oneSave.nsecsElapsed() / 1000, 20000);
        auto* random = QRandomGenerator::global();
        int whole = 0, torn = 0, offeredWhole = 0;
        for (int kill = 0; kill < kills; ++kill) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int i = 0;; ++i)
                    writePageFile(page, versions[(kill + i + 1) % 2]);
            }
            ::usleep(useconds_t(random->bounded(quint64(window))));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);

            const QByteArray now = readFile(page);
            QCOMPARE(readFile(twin).size(), now.size());
            const bool isWhole = now == versions[0] || now == versions[1];
            const QList<InterruptedSave> saves = interruptedSaves();
            QVERIFY2(isWhole || saves.size() == 1,
                     qPrintable(QStringLiteral("kill %1 tore the page (%2 bytes) and left %3 "
                                               "journals")
                                    .arg(kill)
                                    .arg(now.size())
                                    .arg(saves.size())));
            isWhole ? ++whole : ++torn;
            if (isWhole && !saves.isEmpty())
                ++offeredWhole;
            // What answering Yes at the next start does: the version before the save, whole.
            for (const InterruptedSave& save : saves) {
                restoreInterruptedSave(save);
                QVERIFY(save.oldBytes == versions[0] || save.oldBytes == versions[1]);
                QCOMPARE(readFile(page), save.oldBytes);
                QCOMPARE(readFile(twin), save.oldBytes);
            }
            QVERIFY(interruptedSaves().isEmpty());
        }
        qInfo("%d kills of in-place saves of %d MB: %d left a whole version, %d a torn page "
              "restored from its journal, %d a whole page with its journal still offered",
              kills, megabytes, whole, torn, offeredWhole);
        QCOMPARE(folderEntries(dir.path()),
                 (QStringList{QStringLiteral("page.htm"), QStringLiteral("same page.htm")}));
    }
};

VORLANE_TEST_MAIN(CrashConsistencyTest)
#include "crash_consistency_test.moc"
