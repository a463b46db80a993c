#pragma once

#include "check/markup_child.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Points the settings store at a fresh folder before anything reads it, so no test ever
// touches the user's real settings.
class TestEnvironment
{
public:
    TestEnvironment();
    QString configHome() const { return qEnvironmentVariable("XDG_CONFIG_HOME"); }

private:
    QTemporaryDir dir_;
};

// The checked-in source tree (resources, fuzz seeds, kept regressions), fixed at build time.
inline QString sourceDir()
{
    return QStringLiteral(VORLANE_SOURCE_DIR);
}

// The table's key of that name; a name the program does not keep stops the test program.
inline const SettingKey& settingNamed(const QString& name)
{
    const SettingKey* key = Setting::find(name);
    if (!key)
        qFatal("no setting named %s", qPrintable(name));
    return *key;
}

// A copy of `value` with one member changed.
template <typename T, typename M, typename V> T changed(T value, M T::*member, const V& newValue)
{
    value.*member = newValue;
    return value;
}

// Removes every stored setting (call from init() for a clean store per test).
void clearSettings();
// Writes the settings file as raw INI text (for hand-made or broken stores).
void writeSettingsFile(const QByteArray& ini);

// Writes bytes to a file, creating folders; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

#define VORLANE_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (const std::optional<int> child = PageCheck::runMarkupChildIfAsked(argc, argv))         \
            return *child;                                                                         \
        TestEnvironment environment;                                                               \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
