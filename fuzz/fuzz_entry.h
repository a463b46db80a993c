#pragma once

// The body of every fuzz target: a quiet Qt, a private settings folder, and the shared check,
// which aborts with its finding so that libFuzzer keeps the input.
#include "support/fuzz_checks.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace FuzzEntry {

inline QString& configHome()
{
    static QString home;
    return home;
}

inline void removeConfigHome()
{
    if (!configHome().isEmpty())
        QDir(configHome()).removeRecursively();
}

inline void prepare()
{
    // Never the user's own settings: each fuzzing process gets a folder of its own.
    const char* temp = std::getenv("TMPDIR");
    QByteArray folder = QByteArray(temp && *temp ? temp : "/tmp") + "/vorlane-fuzz-XXXXXX";
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    configHome() = QString::fromLocal8Bit(folder);
    setenv("XDG_CONFIG_HOME", folder.constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::atexit(removeConfigHome);
    // Decoders warn about every broken picture; at thousands of inputs a second that is noise.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char name[] = "vorlane_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

inline int run(const char* target, const uint8_t* data, size_t size)
{
    const QString problem =
        FuzzChecks::check(QString::fromLatin1(target),
                          QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", target, problem.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}

} // namespace FuzzEntry

#define VORLANE_FUZZ_TARGET(target)                                                                \
    extern "C" int LLVMFuzzerInitialize(int*, char***)                                             \
    {                                                                                              \
        FuzzEntry::prepare();                                                                      \
        return 0;                                                                                  \
    }                                                                                              \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                        \
    {                                                                                              \
        return FuzzEntry::run(target, data, size);                                                 \
    }
