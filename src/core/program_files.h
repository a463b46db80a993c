#pragma once

#include <QString>

// The files the program ships with: the help pages, version.txt, readme.txt and the page
// templates. They sit beside the executable in a build tree and in ../share/vorlane/ when the
// program is installed; every reader asks here. Tests point this at a folder of their own.
QString programFilesFolder(); // with a trailing separator
// An empty folder restores the lookup above.
void setProgramFilesFolder(const QString& folder);

QString helpFolder();      // programFilesFolder() + "help/"
QString templatesFolder(); // programFilesFolder() + "Templates/"
