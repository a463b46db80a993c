#pragma once

#include <QString>

// The applet dialog's fields, as typed.
struct AppletFields
{
    QString classFile;
    QString height = QStringLiteral("100");
    QString width = QStringLiteral("200");
    QString align = QStringLiteral("(none)"); // "(none)" leaves ALIGN out
    QString codebase;
    QString name;
    QString alt = QStringLiteral("Java Applet");
    QString params; // written as typed, with no separator in front
};

// The APPLET element. Only the description is quoted; everything else goes in as typed.
QString buildAppletElement(const AppletFields& fields);

// The folder part of the document's name; empty while it has no file.
QString documentFolderOf(const QString& documentFileName);

// Makes a file name that lies in the document's folder, or below it, relative to that folder
// (folders compared ignoring letter case), and writes "/" for "\". Other names keep their
// folders. An untitled document (empty folder) shortens nothing.
QString DocumentRelativePath(const QString& fileName, const QString& documentFolder);
