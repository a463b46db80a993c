#include "core/prompter.h"
#include "support/test_main.h"

#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <functional>

class PrompterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void messagesShowPlainText_data();
    void messagesShowPlainText();
};

void PrompterTest::messagesShowPlainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("tag") << QStringLiteral("Could not find \"<TABLE>\"");
    QTest::newRow("font") << QStringLiteral("<FONT COLOR=red>x");
    QTest::newRow("entity") << QStringLiteral("&nbsp; &lt;BODY&gt; <BODY>");
}

void PrompterTest::messagesShowPlainText()
{
    QFETCH(QString, text);
    QtPrompter qt;
    using Show = std::function<void()>;
    const Show kinds[] = {
        [&] { qt.error(nullptr, text); },
        [&] { qt.inform(nullptr, QStringLiteral("Vorlane"), text); },
        [&] { qt.confirm(nullptr, QStringLiteral("Confirm"), text); },
    };
    for (const Show& show : kinds) {
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        // The box is modal: read it and close it from inside its own event loop.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            shown = label->text();
            format = label->textFormat();
            box->reject();
        });
        show();
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, text);
    }
}

VORLANE_TEST_MAIN(PrompterTest)
#include "prompter_test.moc"
