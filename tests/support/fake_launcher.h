#pragma once

#include "core/seam.h"
#include "preview/browser_preview.h"

#include <QList>
#include <QStringList>

// Records the programs a command would start instead of starting them.
struct FakeLauncher : ProcessLauncher
{
    bool succeed = true;
    QList<QStringList> started; // program, working folder, arguments...
    InstalledSeam<ProcessLauncher> installed{&setProcessLauncher, this};
    bool start(const QString& program, const QStringList& arguments,
               const QString& workingFolder) override
    {
        started.append(QStringList{program, workingFolder} + arguments);
        return succeed;
    }
};
