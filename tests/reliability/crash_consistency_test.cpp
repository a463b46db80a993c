#include "core/document_file.h"
#include "support/child_process.h"
#include "support/test_main.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A page of a few MB whose every line says which version it belongs to.
QByteArray version(char mark)
{
    QByteArray line = "<P>version X of a page that is saved while the program dies</P>\r\n";
    line[11] = mark;
    return line.repeated(3 * 1024 * 1024 / line.size());
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
};

VORLANE_TEST_MAIN(CrashConsistencyTest)
#include "crash_consistency_test.moc"
