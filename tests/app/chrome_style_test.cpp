#include "app/chrome_style.h"
#include "support/test_main.h"

#include <QApplication>
#include <QMenuBar>
#include <QStyleFactory>

// The overflow buttons' pictures are read late, but they are the desktop style's own.
class ChromeStyleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void picturesAreTheWrappedStyles()
    {
        QApplication::setStyle(new ChromeStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
        auto* chrome = static_cast<QProxyStyle*>(QApplication::style());
        QMenuBar bar; // asks for its overflow picture as it is made
        for (const QStyle::StandardPixmap picture :
             {QStyle::SP_ToolBarHorizontalExtensionButton,
              QStyle::SP_ToolBarVerticalExtensionButton, QStyle::SP_DialogOkButton}) {
            const QImage drawn = chrome->standardIcon(picture).pixmap(16, 16).toImage();
            QVERIFY(!drawn.isNull());
            QCOMPARE(drawn, chrome->baseStyle()->standardIcon(picture).pixmap(16, 16).toImage());
        }
    }
};

VORLANE_TEST_MAIN(ChromeStyleTest)
#include "chrome_style_test.moc"
