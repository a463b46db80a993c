#pragma once

#include <QString>

// The files the program ships beside its executable: the help pages, version.txt, readme.txt
// and the page templates. Tests point this at a folder of their own.
QString programFilesFolder(); // with a trailing separator
// An empty folder restores the executable's folder.
void setProgramFilesFolder(const QString& folder);

QString helpFolder();      // programFilesFolder() + "help/"
QString templatesFolder(); // programFilesFolder() + "Templates/"
