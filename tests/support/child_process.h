#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Runs a piece of a test in a forked child, for faults that must not touch the test process
// itself: a small file-size limit, a private mount, another user id.
//
// The body returns an empty text when everything it checked held, otherwise what went wrong.
// A body that cannot set up its fault returns skipReason("...").
struct ChildOutcome
{
    enum Kind { Passed, Failed, Skipped };
    Kind kind = Failed;
    QString message;
};

QString skipReason(const QString& why);

// Waits at most timeoutMs for the child; a child that hangs is killed and counts as failed.
ChildOutcome runInChild(const std::function<QString()>& body, int timeoutMs = 60000);

// As runInChild, but the child gives up root first (user and group 65534) after handing
// `paths` (recursively) to that user, so permissions are enforced the way a user sees them.
// When the suite does not run as root, the child runs as the current user.
ChildOutcome runUnprivileged(const QStringList& paths, const std::function<QString()>& body,
                             int timeoutMs = 60000);

// Verifies an outcome inside a test function.
#define VERIFY_CHILD(expr)                                                                         \
    do {                                                                                           \
        const ChildOutcome outcome_ = (expr);                                                      \
        if (outcome_.kind == ChildOutcome::Skipped)                                                \
            QSKIP(qPrintable(outcome_.message));                                                   \
        QVERIFY2(outcome_.kind == ChildOutcome::Passed, qPrintable(outcome_.message));             \
    } while (false)

// Files (any kind, hidden ones included) directly in a folder, sorted.
QStringList folderEntries(const QString& folder);
