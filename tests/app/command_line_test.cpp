#include "app/command_line.h"
#include "core/spell_checker.h"
#include "support/test_main.h"

#include <QTextStream>

class CommandLineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Only a first argument of exactly --help or --version is an option.
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        const int run = CommandLine::Run;
        QTest::newRow("nothing") << QStringList{} << run << QString();
        QTest::newRow("file") << QStringList{"page.htm"} << run << "page.htm";
        QTest::newRow("later arguments ignored") << QStringList{"a.htm", "b.htm"} << run << "a.htm";
        QTest::newRow("help") << QStringList{"--help"} << int(CommandLine::Help) << QString();
        QTest::newRow("version") << QStringList{"--version"} << int(CommandLine::Version)
                                 << QString();
        QTest::newRow("help, then more")
            << QStringList{"--help", "a.htm"} << int(CommandLine::Help) << QString();
        QTest::newRow("option after a file") << QStringList{"a.htm", "--help"} << run << "a.htm";
        QTest::newRow("-- then option name") << QStringList{"--", "--help"} << run << "--help";
        QTest::newRow("-- alone") << QStringList{"--"} << run << QString();
        QTest::newRow("-- then --") << QStringList{"--", "--"} << run << "--";
        QTest::newRow("short form is a file") << QStringList{"-h"} << run << "-h";
        QTest::newRow("other case is a file") << QStringList{"--Help"} << run << "--Help";
        QTest::newRow("dot slash") << QStringList{"./--help"} << run << "./--help";
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        arguments.prepend(QStringLiteral("vorlane"));
        const CommandLine line = parseCommandLine(arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file);
    }

    // --spelling adds one line per misspelt word, columns in characters, and leaves the exit
    // code to the markup check.
    void checkSpelling()
    {
        if (!SpellChecker::installedDictionaries().contains(QStringLiteral("en_US")))
            QSKIP("hunspell-en-us is not installed (scripts/deps.sh installs it)");
        QTemporaryDir dir;
        const QString page = writeFile(
            dir.filePath(QStringLiteral("page.htm")),
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<HTML><HEAD>"
            "<TITLE>A page</TITLE></HEAD>\n<BODY>\n<P>na\xc3\xafve recieve <B>qwz</B>x<!-- teh -->"
            "</P>\n<IMG SRC=\"a.gif\" ALT=\"teh\">\n</BODY></HTML>\n");
        auto run = [&](const QStringList& arguments, QString* printed) {
            QString errors;
            QTextStream out(printed), err(&errors);
            return runCheckCommand(arguments, out, err);
        };
        QString plain, spelled;
        const int plainCode = run({page}, &plain);
        const int spelledCode = run({QStringLiteral("--spelling"), page}, &spelled);
        QCOMPARE(spelledCode, plainCode);
        QVERIFY(spelled.startsWith(plain));
        QCOMPARE(spelled.mid(plain.size()).split(QLatin1Char('\n')),
                 (QStringList{page + ":4:4: spelling: 'na\u00efve' (nave?)",
                              page + ":4:10: spelling: 'recieve' (receive?)",
                              page + ":4:21: spelling: 'qwzx' (qwerty?)",
                              page + ":5:23: spelling: 'teh' (the?)", QString()}));
    }
};

VORLANE_TEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
