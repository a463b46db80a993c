#include "app/command_line.h"
#include "support/test_main.h"

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
};

VORLANE_TEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
