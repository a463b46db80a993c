#include "core/app_error.h"
#include "core/document_file.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.message();
    }
    return QString();
}
} // namespace

class DocumentFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingFileCannotBeOpened()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none.htm"));
        QCOMPARE(errorOf([&] { readDocumentFile(path); }),
                 QStringLiteral("Cannot open file %1").arg(path));
        QCOMPARE(errorOf([&] { readDocumentFile(dir.path()); }),
                 QStringLiteral("Cannot open file %1").arg(dir.path()));
    }

    void writeReplacesContentAndLeavesNoTemporaryFile()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(QStringLiteral("page.htm")), "old");
        const QByteArray text = "<B>x</B>\nline two\n";
        writeDocumentFile(path, text.constData(), text.size(), TextEncoding::Utf8);
        QCOMPARE(readFile(path), QByteArray("<B>x</B>\r\nline two\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("page.htm")});
    }

    void unwritableTargetsFailWithTheMessage()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/page.htm"));
        QCOMPARE(errorOf([&] { writeFileAtomically(missing, "x"); }),
                 QStringLiteral("Cannot create file %1").arg(missing));
        QCOMPARE(errorOf([&] { writeFileAtomically(dir.path(), "x"); }),
                 QStringLiteral("Cannot create file %1").arg(dir.path()));
    }

    void symlinkedPageIsWrittenThrough()
    {
        QTemporaryDir dir;
        const QString target = writeFile(dir.filePath(QStringLiteral("real.htm")), "old");
        const QString link = dir.filePath(QStringLiteral("link.htm"));
        QVERIFY(QFile::link(target, link));
        writeFileAtomically(link, "new");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(target), QByteArray("new"));
    }

    void shortWriteKeepsTheOldFile()
    {
        // A child process with a small file-size limit: the write comes up short the way it
        // does on a full disk, after the first pieces are out. The old page must stay intact
        // and no temporary file remain.
        QTemporaryDir dir;
        const QByteArray old = "the old page, which must survive";
        const QString path = writeFile(dir.filePath(QStringLiteral("page.htm")), old);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlim_t size = 2 * kEncodedPieceSize + 4096;
            rlimit limit{size, size};
            setrlimit(RLIMIT_FSIZE, &limit);
            const QByteArray big = QByteArray("a line of the new page\n").repeated(100000);
            int code = 1;
            try {
                writeDocumentFile(path, big.constData(), big.size(), TextEncoding::Utf8);
            } catch (const AppError& e) {
                code = e.message() == QStringLiteral("Cannot create file %1").arg(path) ? 0 : 2;
            }
            _exit(code);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("page.htm")});
    }
};

VORLANE_TEST_MAIN(DocumentFileTest)
#include "document_file_test.moc"
