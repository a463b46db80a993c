#pragma once

#include <QProxyStyle>

// The desktop's own style, except that the pictures of the menu bar's and the tool bars'
// overflow buttons are read only when such a button is first drawn. Qt reads them from image
// files (loading every image plug-in on the way) whenever a menu bar is made, yet the button
// shows only in a window too narrow for its menus.
class ChromeStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
