#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Window frame shared by the template and pagemark dialogs: a fixed border with a title bar,
// with or without the close box.
inline Qt::WindowFlags fixedDialogFlags(bool closeBox)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    return flags;
}

inline void centreOnScreen(QWidget* w)
{
    QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (s)
        w->move(s->availableGeometry().center() - w->rect().center());
}
