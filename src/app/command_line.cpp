#include "app/command_line.h"

#include "check/page_check.h"
#include "check/site_check.h"
#include "core/app_error.h"
#include "core/document_file.h"
#include "core/program_files.h"
#include "core/settings_store.h"
#include "core/site_folder.h"
#include "core/spell_checker.h"
#include "core/spelling_words.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
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
        "       vorlane --check [--strict] [--spelling] FILE|FOLDER...\n"
        "       vorlane --help | --version\n"
        "\n"
        "Vorlane is an editor for writing web pages by hand in HTML.\n"
        "FILE, when it names an existing file, is opened at start-up; put \"--\" before a\n"
        "name that starts with \"-\".\n"
        "\n"
        "  --check     check each FILE's markup and local links without opening a window;\n"
        "              print FILE:LINE:COLUMN: error|warning|note: message and exit 0 (no\n"
        "              error), 1 (an error: bad markup or a broken link) or 2 (a file could\n"
        "              not be read); notes never change the exit code. A FOLDER is checked\n"
        "              as a site: every page in it and its sub-folders, plus orphan pages,\n"
        "              unused pictures, links out of the folder and #names given twice\n"
        "  --strict    after --check: warnings (and misspelt words) also give exit code 1\n"
        "  --spelling  with --check: also print FILE:LINE:COLUMN: spelling: 'word'\n"
        "              (suggestion?) for each misspelt word\n"
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

// ---- --spelling: the misspelt words of a page, one line each; they never fail the check ----

namespace {

// Returns how many words were misspelt.
int printSpelling(const QString& file, QByteArrayView page, QTextStream& out, QTextStream& err)
{
    const QStringList installed = SpellChecker::installedDictionaries();
    QString chosen;
    try {
        chosen = ReadSetting(Setting::SpellingLanguage);
    } catch (const AppError&) {
    }
    const std::shared_ptr<SpellChecker> checker = SpellChecker::forLanguage(
        chooseDictionary(installed, pageLanguage(page), chosen, QLocale::system().name()));
    if (!checker) {
        static bool told = false;
        if (!told) {
            QString why;
            if (!installed.isEmpty() && !SpellChecker::available(&why))
                err << "vorlane: " << why << "; spelling is not checked\n";
            else
                err << "vorlane: no spelling dictionary is installed; spelling is not checked\n";
        }
        told = true;
        return 0;
    }
    // Lines and columns are counted on from the previous word, never from the start.
    int line = 1;
    qsizetype lineStart = 0, counted = 0;
    int misspelt = 0;
    forEachSpellingWord(page, 0, page.size(), [&](const SpellWord& w) {
        if (checker->isCorrect(w.text))
            return;
        ++misspelt;
        for (; counted < w.start; ++counted)
            if (page[counted] == '\n') {
                ++line;
                lineStart = counted + 1;
            }
        const int column =
            int(QString::fromUtf8(page.sliced(lineStart, w.start - lineStart)).size()) + 1;
        out << PageCheck::escapeControls(file) << ':' << line << ':' << column << ": spelling: '"
            << PageCheck::escapeControls(w.text) << "'";
        if (const QStringList s = checker->suggestions(w.text, 1); !s.isEmpty())
            out << " (" << PageCheck::escapeControls(s.first()) << "?)";
        out << '\n';
    });
    return misspelt;
}

// A folder is checked as a site: each file's findings under the name it has below the folder
// as given, so the lines read as those of `--check FILE`.
void checkFolder(const QString& folder, bool strict, bool spelling, QTextStream& out,
                 QTextStream& err, bool& unreadable, bool& failing)
{
    SiteCheck::Options options;
    options.folder = folder;
    const SiteCheck::Result result = SiteCheck::checkSite(options);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const SiteCheck::FileFindings& file : result.files) {
        for (const PageCheck::Finding& f : file.findings) {
            out << PageCheck::formatFinding(prefix + file.relative, f) << '\n';
            failing = failing || PageCheck::fails(f, strict);
        }
    }
    for (const QString& path : result.unreadable) {
        err << PageCheck::escapeControls(QStringLiteral("Cannot open file %1").arg(path)) << '\n';
        unreadable = true;
    }
    if (spelling) {
        // The same pages the check read, read the same way.
        const QString root = result.folder;
        QDirIterator pages(root, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
        QStringList names;
        while (pages.hasNext()) {
            const QString path = pages.next();
            if (isPageFile(path) && !result.unreadable.contains(path))
                names.append(path);
        }
        names.sort();
        for (const QString& path : std::as_const(names)) {
            QByteArray utf8;
            if (!SiteCheck::readSitePage(path, root, utf8))
                continue;
            if (printSpelling(prefix + QDir(root).relativeFilePath(path), utf8, out, err) > 0 &&
                strict)
                failing = true;
        }
    }
    out.flush();
}

} // namespace

int runCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList files;
    bool strict = false;
    bool spelling = false;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--"))
            options = false;
        else if (options && argument == QLatin1String("--strict"))
            strict = true;
        else if (options && argument == QLatin1String("--spelling"))
            spelling = true;
        else
            files.append(argument);
    }
    if (files.isEmpty()) {
        err << "usage: vorlane --check [--strict] [--spelling] FILE|FOLDER...\n";
        err.flush();
        return 2;
    }
    bool unreadable = false;
    bool failing = false;
    for (const QString& file : files) {
        if (QFileInfo(file).isDir()) {
            checkFolder(file, strict, spelling, out, err, unreadable, failing);
            continue;
        }
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
        // Misspelt words fail the check only when asked to.
        if (spelling && printSpelling(file, page.utf8, out, err) > 0 && strict)
            failing = true;
        out.flush();
    }
    err.flush();
    return unreadable ? 2 : failing ? 1 : 0;
}
