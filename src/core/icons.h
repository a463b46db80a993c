#pragma once

#include <QIcon>
#include <QString>

// One of the program's own pictures, never the desktop theme's; a null icon for an unknown name.
QIcon vorlaneIcon(const QString& name);
