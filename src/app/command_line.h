#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// The reverse-DNS name the program is known by on the desktop: its launcher, icon and
// software-centre entry all carry it.
inline const QString kApplicationId = QStringLiteral(VORLANE_APP_ID);

// What the command line asks for. Only a first argument of exactly "--help" or "--version" is
// an option; anything else is the file to open, and "--" makes the argument after it the file
// whatever it looks like.
struct CommandLine
{
    enum Action { Run, Help, Version };
    Action action = Run;
    QString file; // empty: no file named
};

// `arguments` starts with the program's own name, as QCoreApplication::arguments() does.
CommandLine parseCommandLine(const QStringList& arguments);

// Answers --help and --version on standard output, before any window system is needed, and
// gives the exit code; nothing for a command line that starts the editor.
std::optional<int> answerInfoOption(int& argc, char** argv);

QString usageText();

// `vorlane --check [--strict] FILE|FOLDER...` (the arguments after --check): findings on `out`
// (a folder is checked as a site, its files named below the folder as given),
// unreadable files on `err`. Returns 0 when no file has an error (bad markup or a broken link),
// 1 when one has (or, with --strict, a warning), 2 when a file cannot be read. Notes never
// count.
int runCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
