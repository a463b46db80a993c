#include "app/about_box.h"

#include "core/icons.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {
QPixmap picture(const QString& name, QSize size, qreal ratio)
{
    return vorlaneIcon(name).pixmap(size, ratio);
}
} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Vorlane"));
    setFixedSize(479, 343);
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    setPalette(dark);

    // Drawn for the sharpest screen, so the pictures stay crisp on a 2x display.
    const qreal ratio = qGuiApp->devicePixelRatio();
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 479, 27);
    Image1->setAlignment(Qt::AlignCenter); // the 483-pixel banner loses a pixel or two each side
    Image1->setPixmap(picture(QStringLiteral("about-banner"), QSize(483, 27), ratio));

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(24, 33, 430, 189);
    Image2->setPixmap(picture(QStringLiteral("about-logo"), QSize(430, 189), ratio));
    Image2->setToolTip(QStringLiteral("Vorlane by Tallowmark"));

    Label1 = new QLabel(QStringLiteral("Version 2.0 *BETA 0.8*"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 232, 350, 18);

    Label3 = new QLabel(QStringLiteral("Vorlane Webpage:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(16, 256, 110, 18);

    Edit1 = new QLineEdit(kVorlaneHomePage, this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(126, 256, 240, 18);
    Edit1->setReadOnly(true);
    Edit1->setFrame(false);
    QPalette field = Edit1->palette();
    field.setColor(QPalette::Base, Qt::black);
    field.setColor(QPalette::Text, Qt::white);
    Edit1->setPalette(field);
    Edit1->setCursorPosition(0);

    Label4 = new QLabel(
        QStringLiteral("This software is based in part on the work of the Independent JPEG Group."),
        this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(16, 284, 350, 40);
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    BitBtn1 =
        new QPushButton(vorlaneIcon(QStringLiteral("dialog-ok")), QStringLiteral("&OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(384, 232, 82, 28);
    BitBtn1->setDefault(true);
    BitBtn1->setAutoDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    BitBtn2 =
        new QPushButton(vorlaneIcon(QStringLiteral("dialog-help")), QStringLiteral("&Help"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(384, 268, 82, 28);
    BitBtn2->setAutoDefault(false);
    BitBtn2->setEnabled(false);
    connect(BitBtn2, &QPushButton::clicked, this, &TAboutBox::BitBtn2Click);

    BitBtn1->setFocus();
}

void TAboutBox::BitBtn2Click()
{
    Q_EMIT helpRequested();
}

void TAboutBox::keyPressEvent(QKeyEvent* e)
{
    // No cancel button: Escape is swallowed instead of closing the box.
    if (e->matches(QKeySequence::Cancel) || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TAboutBox::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Centred on the screen, not on the owner.
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    BitBtn1->setFocus();
}
