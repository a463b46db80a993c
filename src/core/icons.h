#pragma once

#include <QIcon>
#include <QString>

// The program's pictures: the desktop theme's icon where a standard name fits, else ours.
QIcon vorlaneIcon(const QString& name);
