#include "app/command_line.h"

#include "check/page_check.h"
#include "core/app_error.h"
#include "core/document_file.h"
#include "core/program_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

#include <cstdio>
#include <memory>

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    if (arguments.size() < 2)
        return line;
    const QString& first = arguments.at(1);
    if (first == QLatin1String("--help"))
        line.action = CommandLine::Help;
    else if (first == QLatin1String("--version"))
        line.action = CommandLine::Version;
    else if (first == QLatin1String("--"))
        line.file = arguments.value(2);
    else
        line.file = first;
    return line;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: vorlane [FILE]\n"
        "       vorlane -- FILE\n"
        "       vorlane --check [--strict] FILE...\n"
        "       vorlane --help | --version\n"
        "\n"
        "Vorlane is an editor for writing web pages by hand in HTML.\n"
        "FILE, when it names an existing file, is opened at start-up; put \"--\" before a\n"
        "name that starts with \"-\".\n"
        "\n"
        "  --check     check each FILE's markup and local links without opening a window;\n"
        "              print FILE:LINE:COLUMN: error|warning|note: message and exit 0 (no\n"
        "              error), 1 (an error: bad markup or a broken link) or 2 (a file could\n"
        "              not be read); notes never change the exit code\n"
        "  --strict    after --check: warnings also give exit code 1\n"
        "  --help      show this text and exit\n"
        "  --version   show the version from version.txt and exit\n"
        "\n"
        "Settings are kept in $XDG_CONFIG_HOME/Tallowmark/Vorlane.conf\n"
        "(~/.config/Tallowmark/Vorlane.conf). See vorlane(1).\n");
}

std::optional<int> answerInfoOption(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments);
    if (line.action == CommandLine::Run)
        return std::nullopt;
    if (line.action == CommandLine::Help) {
        std::fputs(usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // The program's folder is found through the executable's path, which needs an instance.
    QCoreApplication core(argc, argv);
    const QString path = programFilesFolder() + QStringLiteral("version.txt");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vorlane: cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray first = file.readLine().trimmed();
    std::printf("%s\n", first.constData());
    return 0;
}

int runCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList files;
    bool strict = false;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--"))
            options = false;
        else if (options && argument == QLatin1String("--strict"))
            strict = true;
        else
            files.append(argument);
    }
    if (files.isEmpty()) {
        err << "usage: vorlane --check [--strict] FILE...\n";
        err.flush();
        return 2;
    }
    bool unreadable = false;
    bool failing = false;
    for (const QString& file : files) {
        EditorBytes page;
        try {
            page = readDocumentFile(file);
        } catch (const AppError& e) {
            err << PageCheck::escapeControls(e.message()) << '\n';
            unreadable = true;
            continue;
        }
        // Tidy recurses per nesting level: the check gets a stack of its own.
        QList<PageCheck::Finding> findings;
        const QString path = QFileInfo(file).absoluteFilePath();
        std::unique_ptr<QThread> check(
            QThread::create([&] { findings = PageCheck::checkPage(page.utf8, path); }));
        check->setStackSize(PageCheck::kCheckStackBytes);
        check->start();
        check->wait();
        for (const PageCheck::Finding& f : std::as_const(findings)) {
            out << PageCheck::formatFinding(file, f) << '\n';
            failing = failing || PageCheck::fails(f, strict);
        }
        out.flush();
    }
    err.flush();
    return unreadable ? 2 : failing ? 1 : 0;
}
