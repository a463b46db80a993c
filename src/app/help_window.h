#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

// The program's help viewer: a window browsing the HTML help pages that ship beside the
// executable. Addresses outside the help pages are handed on through externalLinkRequested.
class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the contents page of the given help folder (with its trailing separator).
    void showContents(const QString& folder);
    void showPage(const QUrl& page);
    QUrl currentPage() const;
    QTextBrowser* browser() const { return browser_; }
    // The window's caption for a page of that title.
    static QString helpCaption(const QString& pageTitle);

Q_SIGNALS:
    void externalLinkRequested(const QString& url);

private:
    void followLink(const QUrl& link);

    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* home_ = nullptr;
    QUrl contents_;
};
