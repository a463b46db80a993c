#include "core/icons.h"
#include "support/test_main.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmapCache>
#include <QProcess>
#include <QStandardPaths>

// Pictures drawn once are kept in the cache folder and taken from there next time.
class IconsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Run on its own by the test below, as a second run of the program would.
    void drawPicture() { QVERIFY(!vorlaneIcon(QStringLiteral("vorlane")).pixmap(32, 32).isNull()); }

    void drawingsAreKeptAndCheckedBeforeUse()
    {
        const QDir kept(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                        QStringLiteral("/pictures"));
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
};

VORLANE_TEST_MAIN(IconsTest)
#include "icons_test.moc"
