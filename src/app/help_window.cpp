#include "app/help_window.h"

#include "core/icons.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

QString THelpWindow::helpCaption(const QString& pageTitle)
{
    const QString name = QStringLiteral("Vorlane Help");
    // A title that already names the help ("Vorlane Help Contents") stands alone.
    if (pageTitle.isEmpty() || pageTitle.startsWith(name))
        return pageTitle.isEmpty() ? name : pageTitle;
    return name + QStringLiteral(" - ") + pageTitle;
}

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
    // The pages are dark text on white paper whatever the desktop's colours: a dark theme
    // would otherwise put its light text on their white background.
    QPalette paper = browser_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        paper.setColor(group, QPalette::Base, Qt::white);
        paper.setColor(group, QPalette::Text, Qt::black);
        paper.setColor(group, QPalette::Link, QColor(0, 0, 0xFF));
        paper.setColor(group, QPalette::LinkVisited, QColor(0x80, 0, 0x80));
    }
    browser_->setPalette(paper);
    browser_->document()->setDefaultStyleSheet(
        QStringLiteral("body { color: #000000; background-color: #FFFFFF; }"));
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpWindow::followLink);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(helpCaption(browser_->documentTitle())); });
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
