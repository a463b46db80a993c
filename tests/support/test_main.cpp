#include "support/test_main.h"

#include "core/settings_store.h"
#include "preview/live_preview_pane.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnvironment::TestEnvironment()
{
    // A test that runs itself again as a second run of the program hands its folder on.
    const QByteArray handedOn = qgetenv("VORLANE_TEST_HOME");
    const QString home = handedOn.isEmpty() ? dir_.path() : QString::fromLocal8Bit(handedOn);
    qputenv("XDG_CONFIG_HOME", home.toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/cache")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", (home + QStringLiteral("/state")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web engine module is built beside the program, not beside the tests.
    TLivePreviewPane::setModuleFolder(QStringLiteral(VORLANE_BINARY_DIR));
}

void clearSettings()
{
    QFile::remove(settingsFilePath());
}

void writeSettingsFile(const QByteArray& ini)
{
    writeFile(settingsFilePath(), ini);
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}
