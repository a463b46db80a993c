#include "support/test_main.h"

#include "app/fake_tray_platform.h"
#include "app/tray_icon.h"

#include <QMenu>
#include <QSignalSpy>

class TrayIconTest : public QObject
{
    Q_OBJECT

    struct Rig
    {
        std::shared_ptr<TrayLog> log = std::make_shared<TrayLog>();
        std::unique_ptr<TTrayIcon> icon = std::make_unique<TTrayIcon>();
        FakeTrayPlatform* fake = nullptr;
        explicit Rig(bool available = true)
        {
            auto platform = std::make_unique<FakeTrayPlatform>(log, available);
            fake = platform.get();
            icon->setPlatform(std::move(platform));
        }
    };

private Q_SLOTS:
    void startsInactiveAndEmpty()
    {
        TTrayIcon icon;
        QVERIFY(!icon.Active());
        QVERIFY(icon.Icon().isNull());
        QVERIFY(icon.ToolTip().isEmpty());
    }

    // Each step sets Active; the columns give the adds and removes seen after it.
    void activeChangesOnlyOnRealChange_data()
    {
        QTest::addColumn<QList<bool>>("steps");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("removes");
        QTest::newRow("true twice adds once") << QList<bool>{true, true} << 1 << 0;
        QTest::newRow("false while inactive") << QList<bool>{false} << 0 << 0;
        QTest::newRow("on, off, off") << QList<bool>{true, false, false} << 1 << 1;
        QTest::newRow("on, off, on") << QList<bool>{true, false, true} << 2 << 1;
    }
    void activeChangesOnlyOnRealChange()
    {
        QFETCH(QList<bool>, steps);
        QFETCH(int, adds);
        QFETCH(int, removes);
        Rig rig;
        for (bool step : steps)
            rig.icon->SetActive(step);
        QCOMPARE(rig.log->adds, adds);
        QCOMPARE(rig.log->removes, removes);
        QCOMPARE(rig.icon->Active(), steps.last());
        QCOMPARE(rig.log->shown, steps.last());
    }

    void toolTipKeepsSixtyTwoCharacters_data()
    {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("kept");
        const QString seventy = QString(70, QLatin1Char('x')).replace(61, 1, QLatin1Char('Z'));
        QTest::newRow("70 characters") << seventy << seventy.left(62);
        QTest::newRow("exactly 62")
            << QString(62, QLatin1Char('a')) << QString(62, QLatin1Char('a'));
        QTest::newRow("63 loses the last")
            << QString(62, QLatin1Char('b')) + QLatin1Char('c') << QString(62, QLatin1Char('b'));
        QTest::newRow("short") << QStringLiteral("Vorlane") << QStringLiteral("Vorlane");
        QTest::newRow("empty") << QString() << QString();
    }
    void toolTipKeepsSixtyTwoCharacters()
    {
        QFETCH(QString, tip);
        QFETCH(QString, kept);
        Rig rig;
        rig.icon->SetToolTip(tip);
        QCOMPARE(rig.icon->ToolTip(), kept);
        rig.icon->SetActive(true);
        QCOMPARE(rig.log->tip, kept); // the shown icon gets the shortened text too
    }

    void changesReachAShownIconOnly()
    {
        Rig rig;
        rig.icon->SetToolTip(QStringLiteral("before"));
        rig.icon->SetIcon(QIcon(QPixmap(16, 16)));
        QCOMPARE(rig.log->modifies, 0);
        rig.icon->SetActive(true);
        rig.icon->SetToolTip(QStringLiteral("after"));
        rig.icon->SetIcon(QIcon(QPixmap(16, 16)));
        rig.icon->SetIcon(rig.icon->Icon()); // its own picture
        QCOMPARE(rig.log->modifies, 3);
        QCOMPARE(rig.log->tip, QStringLiteral("after"));
    }

    void destroyingAnActiveIconRemovesIt()
    {
        Rig rig;
        rig.icon->SetActive(true);
        rig.icon.reset();
        QCOMPARE(rig.log->removes, 1);
        QVERIFY(!rig.log->shown);

        Rig idle;
        idle.icon.reset();
        QCOMPARE(idle.log->removes, 0);
    }

    void mouseActionsBecomeSignals_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("doubleClicks");
        QTest::addColumn<int>("rightClicks");
        using A = TrayIconPlatform::MouseAction;
        QTest::newRow("left") << int(A::LeftClick) << 1 << 0 << 0;
        QTest::newRow("double") << int(A::DoubleClick) << 0 << 1 << 0;
        QTest::newRow("right") << int(A::RightClick) << 0 << 0 << 1;
        QTest::newRow("other") << int(A::Other) << 0 << 0 << 0;
    }
    void mouseActionsBecomeSignals()
    {
        QFETCH(int, action);
        QFETCH(int, clicks);
        QFETCH(int, doubleClicks);
        QFETCH(int, rightClicks);
        Rig rig;
        rig.icon->SetActive(true);
        QSignalSpy click(rig.icon.get(), &TTrayIcon::OnClick);
        QSignalSpy dbl(rig.icon.get(), &TTrayIcon::OnDblClick);
        QSignalSpy right(rig.icon.get(), &TTrayIcon::OnRightClick);
        rig.fake->press(TrayIconPlatform::MouseAction(action), QPoint(123, 45));
        QCOMPARE(click.count(), clicks);
        QCOMPARE(dbl.count(), doubleClicks);
        QCOMPARE(right.count(), rightClicks);
        if (rightClicks) {
            QCOMPARE(right.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
            QCOMPARE(right.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers());
            QCOMPARE(right.at(0).at(2).toPoint(), QPoint(123, 45));
        }
    }

    void withoutANotificationAreaStateIsKept()
    {
        Rig rig(false);
        QVERIFY(!rig.icon->canShow());
        rig.icon->SetToolTip(QStringLiteral("Vorlane"));
        rig.icon->SetActive(true);
        QVERIFY(rig.icon->Active());
        QCOMPARE(rig.icon->ToolTip(), QStringLiteral("Vorlane"));
        rig.icon->SetActive(false);
        QVERIFY(!rig.icon->Active());
    }

    void replacingThePlatformMovesAShownIcon()
    {
        Rig rig;
        rig.icon->SetToolTip(QStringLiteral("tip"));
        rig.icon->SetActive(true);
        auto second = std::make_shared<TrayLog>();
        rig.icon->setPlatform(std::make_unique<FakeTrayPlatform>(second));
        QCOMPARE(rig.log->removes, 1);
        QCOMPARE(second->adds, 1);
        QCOMPARE(second->tip, QStringLiteral("tip"));
    }

    void realPlatformIsSafeWithoutATray()
    {
        // The offscreen test platform has no notification area: nothing may break.
        TTrayIcon icon;
        icon.SetToolTip(QStringLiteral("Vorlane"));
        icon.SetActive(true);
        icon.SetActive(false);
        icon.SetActive(true);
        QVERIFY(icon.Active());
    }
};

VORLANE_TEST_MAIN(TrayIconTest)
#include "tray_icon_test.moc"
