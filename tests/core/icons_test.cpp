#include "core/icons.h"
#include "support/child_process.h"
#include "support/test_main.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmapCache>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString picturesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/pictures");
}

// Draws the program's own picture afresh, as a new run would.
QImage drawAnew()
{
    QPixmapCache::clear();
    return vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).toImage();
}

} // namespace

// Pictures drawn once are kept in the cache folder and taken from there next time.
class IconsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Run on its own by the test below, as a second run of the program would.
    void drawPicture() { QVERIFY(!vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).isNull()); }

    void drawingsAreKeptAndCheckedBeforeUse()
    {
        const QDir kept(picturesFolder());
        const QImage drawn = vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).toImage();
        QVERIFY(!drawn.isNull());
        const QStringList files = kept.entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString file = kept.filePath(files.first());

        // A kept drawing is what the next run shows.
        QImage red(32, 32, QImage::Format_ARGB32_Premultiplied);
        red.fill(Qt::red);
        writeFile(file,
                  QByteArray(reinterpret_cast<const char*>(red.constBits()), red.sizeInBytes()));
        QPixmapCache::clear();
        QCOMPARE(vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).toImage().pixel(16, 16),
                 QColor(Qt::red).rgba());

        // Another run of the program finds the same drawing (its name is no per-run hash).
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VORLANE_TEST_HOME"),
                           qEnvironmentVariable("XDG_CONFIG_HOME"));
        second.setProcessEnvironment(environment);
        second.start(QCoreApplication::applicationFilePath(), {QStringLiteral("drawPicture")});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(kept.entryList(QDir::Files), files);

        // A cut-short or empty one is drawn anew and replaced.
        for (const QByteArray& junk : {QByteArray("not a picture"), QByteArray()}) {
            writeFile(file, junk);
            QPixmapCache::clear();
            QCOMPARE(vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).toImage(), drawn);
            QCOMPARE(QFileInfo(file).size(), qint64(32 * 32 * 4));
        }
    }

    // The folder is kept open between pictures; cleared away while the program runs, it is
    // made again and drawings are kept in it, not in the removed one.
    void clearedFolderIsMadeAgain()
    {
        drawAnew();
        QVERIFY(QDir(picturesFolder()).removeRecursively());
        drawAnew();
        QCOMPARE(QDir(picturesFolder()).entryList(QDir::Files).size(), 1);
    }

    // Whatever sits at a drawing's name is never opened for writing nor waited on: the new
    // drawing replaces it as a name. The drawing runs in a child so that a hang fails the row.
    void plantedEntriesAreReplacedNotFollowed_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"link to a file", "dangling link", "pipe", "short", "oversized"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void plantedEntriesAreReplacedNotFollowed()
    {
        QFETCH(QString, kind);
        const QImage drawn = drawAnew();
        const QDir kept(picturesFolder());
        const QStringList files = kept.entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString file = kept.filePath(files.first());
        struct stat folder;
        QCOMPARE(::stat(QFile::encodeName(kept.path()).constData(), &folder), 0);
        QCOMPARE(folder.st_mode & 0777, 0700u);

        QTemporaryDir elsewhere;
        const QString victim = writeFile(elsewhere.filePath(QStringLiteral("victim")), "mine\n");
        const QString missing = elsewhere.filePath(QStringLiteral("missing"));
        QFile::remove(file);
        const QByteArray name = QFile::encodeName(file);
        if (kind == QLatin1String("link to a file"))
            QVERIFY(QFile::link(victim, file));
        else if (kind == QLatin1String("dangling link"))
            QVERIFY(QFile::link(missing, file));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else
            writeFile(file, QByteArray(kind == QLatin1String("short") ? 4095 : 4097, '\x7f'));

        VERIFY_CHILD(runInChild(
            [&]() -> QString {
                if (drawAnew() != drawn)
                    return QStringLiteral("the picture is wrong");
                return QString();
            },
            30000));
        QCOMPARE(readFile(victim), QByteArray("mine\n"));
        QVERIFY(!QFileInfo::exists(missing));
        const QFileInfo entry(file);
        QVERIFY(entry.isFile() && !entry.isSymLink());
        QCOMPARE(entry.size(), qint64(32 * 32 * 4));
        QCOMPARE(kept.entryList(QDir::Files | QDir::System), files);
        QCOMPARE(drawAnew(), drawn);
    }

    // In a cache folder everyone may write to (a shared XDG_CACHE_HOME with the sticky bit), a
    // pictures folder another user made is not used: nothing is written into it.
    void picturesFolderOfAnotherUserIsNotUsed()
    {
        if (::geteuid() != 0)
            QSKIP("needs a second user id: the planted folder must belong to someone else");
        QTemporaryDir shared;
        QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
        const QByteArray ownCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(shared.path()));
        const QString planted = picturesFolder();
        qputenv("XDG_CACHE_HOME", ownCache);
        QVERIFY(planted.startsWith(shared.path()));
        QVERIFY(QDir().mkpath(planted));
        for (const QString& folder : {planted, QFileInfo(planted).path()})
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        const QImage drawn = drawAnew();
        VERIFY_CHILD(runUnprivileged({}, [&]() -> QString {
            qputenv("XDG_CACHE_HOME", QFile::encodeName(shared.path()));
            if (::access(QFile::encodeName(planted).constData(), W_OK) != 0)
                return skipReason(QStringLiteral("the shared folder is out of reach here"));
            if (drawAnew() != drawn)
                return QStringLiteral("the picture is wrong");
            if (!folderEntries(planted).isEmpty())
                return QStringLiteral("a drawing was kept in another user's folder");
            return QString();
        }));

        // Nor by root, whom a closed mode does not keep out: the folder must be root's own.
        QVERIFY(::chmod(QFile::encodeName(planted).constData(), 0700) == 0);
        QVERIFY(::chown(QFile::encodeName(planted).constData(), 65534, 65534) == 0);
        VERIFY_CHILD(runInChild([&]() -> QString {
            qputenv("XDG_CACHE_HOME", QFile::encodeName(shared.path()));
            if (drawAnew() != drawn)
                return QStringLiteral("the picture is wrong");
            if (!folderEntries(planted).isEmpty())
                return QStringLiteral("root kept a drawing in another user's folder");
            return QString();
        }));
    }
};

VORLANE_TEST_MAIN(IconsTest)
#include "icons_test.moc"
