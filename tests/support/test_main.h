#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Points the settings store at a fresh folder before anything reads it, so no test ever
// touches the user's real settings.
class TestEnvironment
{
public:
    TestEnvironment();
    QString configHome() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Removes every stored setting (call from init() for a clean store per test).
void clearSettings();
// Writes the settings file as raw INI text (for hand-made or broken stores).
void writeSettingsFile(const QByteArray& ini);

// Writes bytes to a file, creating folders; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

#define VORLANE_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char** argv)                                                               \
    {                                                                                             \
        TestEnvironment environment;                                                              \
        QApplication app(argc, argv);                                                             \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                  \
        TestClass test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                   \
    }
