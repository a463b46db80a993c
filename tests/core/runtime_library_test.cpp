#include "core/runtime_library.h"
#include "support/test_main.h"

#include <cstring>

// Libraries opened on first use: every way the opening can fail is named in the message.
class RuntimeLibraryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openingReportsWhatIsMissing_data()
    {
        QTest::addColumn<QByteArray>("library");
        QTest::addColumn<QByteArray>("function");
        QTest::addColumn<QString>("message");
        QTest::newRow("present") << QByteArray("libc.so.6") << QByteArray("strlen") << QString();
        QTest::newRow("no such library")
            << QByteArray("libvorlane-missing.so.1") << QByteArray("strlen")
            << QStringLiteral("The library libvorlane-missing.so.1 could not be loaded: ");
        QTest::newRow("no such function")
            << QByteArray("libc.so.6") << QByteArray("vorlane_no_such_function")
            << QStringLiteral("The library libc.so.6 has no function vorlane_no_such_function");
    }
    void openingReportsWhatIsMissing()
    {
        QFETCH(QByteArray, library);
        QFETCH(QByteArray, function);
        QFETCH(QString, message);
        void* first = nullptr;
        void* second = nullptr;
        const QString result = loadLibraryFunctions(
            library.constData(), {{"strlen", &first}, {function.constData(), &second}});
        if (message.isEmpty()) {
            QCOMPARE(result, QString());
            QCOMPARE(reinterpret_cast<decltype(&std::strlen)>(second)("four"), size_t(4));
        } else {
            QVERIFY2(result.startsWith(message), qPrintable(result));
            QVERIFY(!first && !second); // nothing half-set
        }
    }
};

VORLANE_TEST_MAIN(RuntimeLibraryTest)
#include "runtime_library_test.moc"
