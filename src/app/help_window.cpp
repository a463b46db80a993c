#include "app/help_window.h"

#include "core/icons.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vorlane Help"));
    setWindowIcon(vorlaneIcon(QStringLiteral("help-contents")));
    resize(640, 520);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 0);
    auto makeButton = [this, bar](const char* name, const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->addWidget(b);
        return b;
    };
    home_ = makeButton("Contents", QStringLiteral("&Contents"),
                       QStringLiteral("Show the contents page"));
    back_ = makeButton("Back", QStringLiteral("&Back"), QStringLiteral("Back to the page before"));
    forward_ = makeButton("Forward", QStringLiteral("&Forward"), QStringLiteral("Forward again"));
    bar->addStretch(1);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    // Links are followed here: help pages inside the window, web addresses in the browser.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpWindow::followLink);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Vorlane Help")
                                       : QStringLiteral("Vorlane Help - %1").arg(title));
    });
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home_, &QToolButton::clicked, this, [this] { showPage(contents_); });
    back_->setEnabled(false);
    forward_->setEnabled(false);

    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
}

void THelpWindow::showContents(const QString& folder)
{
    contents_ = QUrl::fromLocalFile(folder + QStringLiteral("index.html"));
    showPage(contents_);
}

void THelpWindow::showPage(const QUrl& page)
{
    browser_->setSource(page);
}

QUrl THelpWindow::currentPage() const
{
    return browser_->source();
}

void THelpWindow::followLink(const QUrl& link)
{
    const QUrl target = browser_->source().resolved(link);
    if (target.isLocalFile() || target.scheme() == QLatin1String("qrc"))
        showPage(target);
    else
        Q_EMIT externalLinkRequested(target.toString());
}
