#include "app/main_form.h"
#include "core/app_error.h"
#include "core/document_codec.h"
#include "core/document_file.h"
#include "core/recent_files.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "preview/browser_preview.h"
#include "support/child_process.h"
#include "support/fake_launcher.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const QByteArray kOldPage = "<HTML>\r\nthe old page, which must survive\r\n</HTML>\r\n";
const QByteArray kOldPreview = "the old preview\r\n";

// What the user typed on top of the loaded page: big enough that it never fits a small limit,
// and goes out in more than one piece.
QString typedText()
{
    QString text;
    for (int i = 0; i < 8000; ++i)
        text += QStringLiteral("<P>line %1 of the work that must not be lost\n").arg(i);
    return text;
}

QString compareBytes(const QString& path, const QByteArray& expected)
{
    const QByteArray actual = readFile(path);
    if (actual == expected)
        return QString();
    return QStringLiteral("%1 holds %2 bytes, expected %3; ")
        .arg(path)
        .arg(actual.size())
        .arg(expected.size());
}

QString compareEntries(const QString& folder, const QStringList& expected)
{
    const QStringList actual = folderEntries(folder);
    if (actual == expected)
        return QString();
    return QStringLiteral("%1 holds [%2], expected [%3]; ")
        .arg(folder, actual.join(QStringLiteral(", ")), expected.join(QStringLiteral(", ")));
}

// The state a failed save or preview must leave: the message, and the document as it was.
QString failedCommandProblems(const TMainForm& form, const ScriptedPrompter& prompter,
                              const QString& name, const QString& failedPath,
                              const QStringList& recentBefore)
{
    QString problems;
    const QStringList expected{QStringLiteral("Cannot create file %1").arg(failedPath)};
    if (prompter.errors != expected)
        problems +=
            QStringLiteral("messages [%1]; ").arg(prompter.errors.join(QStringLiteral(" | ")));
    if (!form.editor()->ModifiedFlag())
        problems += QStringLiteral("the page no longer counts as modified; ");
    if (form.DocumentFileName() != name)
        problems += QStringLiteral("the name became %1; ").arg(form.DocumentFileName());
    if (form.windowTitle() != QFileInfo(name).fileName() + QStringLiteral(" - Vorlane"))
        problems += QStringLiteral("the caption became %1; ").arg(form.windowTitle());
    if (form.MRUFileList1 && form.MRUFileList1->Items() != recentBefore)
        problems += QStringLiteral("the recent files changed; ");
    return problems;
}

// What a symbolic link says, as written.
QString linkText(const QString& link)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

bool isPreview(const QString& command)
{
    return command == QLatin1String("mnuViewinbrowser");
}

// Sets up a loaded, edited page in `folder` and runs `command` while `limitFault` holds.
// Everything is checked here, because a private mount is only visible to this process.
QString runCommandUnderFault(const QString& folder, const QString& fault, const QString& command,
                             const QString& useTemp)
{
    if (fault == QLatin1String("tmpfs")) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return skipReason(QStringLiteral("no private mount namespace here (needs root)"));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k,mode=0755") != 0)
            return skipReason(QStringLiteral("cannot mount a small tmpfs here"));
    }
    const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
    const QString preview = folder + QStringLiteral("/pagetmp.htm");
    writeFile(preview, kOldPreview);

    ScriptedPrompter prompter;
    FakeLauncher launcher;
    TMainForm form;
    form.LoadDocument(page);
    form.SetDocumentName(page);
    form.setPreviewValues(
        changed(form.previewValues(), &TMainForm::PreviewValues::useTemp, useTemp));
    form.setPreviewValues(
        changed(form.previewValues(), &TMainForm::PreviewValues::browser, QStringLiteral("NS")));
    form.editor()->SetSelectionStart(form.editor()->EditorText().size());
    // A small page fits Qt's write buffer whole, so only the final flush can see the limit.
    const bool smallPage = fault == QLatin1String("fsize half a small page");
    form.editor()->ReplaceSelection(
        smallPage ? QStringLiteral("<P>a few hundred bytes of typed work\n").repeated(8)
                  : typedText());
    const QStringList recentBefore = form.MRUFileList1 ? form.MRUFileList1->Items() : QStringList();
    const qsizetype newSize =
        encodeDocument(form.editor()->EditorUtf8(), TextEncoding::Utf8).size();

    if (fault.startsWith(QLatin1String("fsize"))) {
        // Writes past the limit come back short (EFBIG), as they do on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = fault == QLatin1String("fsize last byte") ? rlim_t(newSize - 1)
                             : smallPage                               ? rlim_t(newSize / 2)
                                         : rlim_t(fault.mid(6).toULongLong());
        rlimit rl{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0)
            return QStringLiteral("setrlimit failed");
    }
    form.actionNamed(command)->trigger();

    const bool previewOverPage = isPreview(command) && useTemp == QLatin1String("N");
    const QString failedPath = isPreview(command) && !previewOverPage ? preview : page;
    QString problems = failedCommandProblems(form, prompter, page, failedPath, recentBefore);
    problems += compareBytes(page, kOldPage);
    problems += compareBytes(preview, kOldPreview);
    problems += compareEntries(folder, {QStringLiteral("page.htm"), QStringLiteral("pagetmp.htm")});
    if (!launcher.started.isEmpty())
        problems += QStringLiteral("a browser was started after the failed write; ");
    return problems;
}

// Sets up, in `folder`, a page that a save must write in place the way `branch` says, saves it
// with typed work on top (under `fault`, if any) and checks what every name of it holds.
// Runs in a child: as user 65534 for "folder not writable", as root for "another owner".
QString saveInPlace(const QString& folder, const QString& branch, const QString& fault)
{
    if (fault == QLatin1String("tmpfs")) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return skipReason(QStringLiteral("no private mount namespace here (needs root)"));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k,mode=0755") != 0)
            return skipReason(QStringLiteral("cannot mount a small tmpfs here"));
    }
    const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
    const QByteArray pageName = QFile::encodeName(page);
    QStringList names{QStringLiteral("page.htm")};
    if (::chmod(pageName.constData(), 0640) != 0)
        return QStringLiteral("chmod failed");
    if (branch == QLatin1String("hard links")) {
        names << QStringLiteral("same page.htm");
        if (::link(pageName.constData(),
                   QFile::encodeName(folder + QStringLiteral("/same page.htm"))) != 0)
            return QStringLiteral("link failed");
    } else if (branch == QLatin1String("another owner")) {
        if (::geteuid() != 0 || ::chown(pageName.constData(), 65534, 65534) != 0)
            return skipReason(QStringLiteral("giving the page to another user needs root"));
    }
    struct stat before;
    ::stat(pageName.constData(), &before);

    ScriptedPrompter prompter;
    TMainForm form;
    form.LoadDocument(page);
    form.SetDocumentName(page);
    form.editor()->SetSelectionStart(form.editor()->EditorText().size());
    form.editor()->ReplaceSelection(typedText());
    const QByteArray typed = encodeDocument(form.editor()->EditorUtf8(), TextEncoding::Utf8);
    const QStringList recentBefore = form.MRUFileList1->Items();
    if (branch == QLatin1String("folder not writable")) {
        if (::chmod(QFile::encodeName(folder).constData(), 0555) != 0)
            return QStringLiteral("chmod failed");
        if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
            return skipReason(QStringLiteral("permissions are not enforced for this user"));
    }
    if (fault.startsWith(QLatin1String("fsize"))) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = fault.mid(6).toULongLong();
        rlimit rl{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0)
            return QStringLiteral("setrlimit failed");
    }
    form.action("FileSaveItem")->trigger();

    QString problems;
    const QByteArray expected = fault.isEmpty() ? typed : kOldPage;
    for (const QString& name : names)
        problems += compareBytes(folder + QLatin1Char('/') + name, expected);
    problems += compareEntries(folder, names);
    if (fault.isEmpty()) {
        if (!prompter.errors.isEmpty())
            problems +=
                QStringLiteral("messages [%1]; ").arg(prompter.errors.join(QStringLiteral(" | ")));
        if (form.editor()->ModifiedFlag())
            problems += QStringLiteral("the page still counts as modified; ");
    } else {
        problems += failedCommandProblems(form, prompter, page, page, recentBefore);
    }
    struct stat after;
    ::stat(pageName.constData(), &after);
    if ((after.st_mode & 07777) != 0640 || after.st_uid != before.st_uid ||
        after.st_gid != before.st_gid)
        problems += QStringLiteral("mode, owner or group changed (%1 %2:%3); ")
                        .arg(after.st_mode & 07777, 0, 8)
                        .arg(after.st_uid)
                        .arg(after.st_gid);
    if (branch == QLatin1String("folder not writable"))
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    return problems;
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.message() + QStringLiteral("; ");
    }
    return QString();
}

// A writable folder on that kind of file system, of those at hand; empty when there is none.
QString folderOn(const QString& fileSystem)
{
    const long magic = fileSystem == QLatin1String("tmpfs") ? 0x01021994 : 0xEF53;
    for (const QString& folder :
         {QStringLiteral("/dev/shm"), QDir::tempPath(), QCoreApplication::applicationDirPath()}) {
        struct statfs info;
        if (::statfs(QFile::encodeName(folder).constData(), &info) == 0 &&
            long(info.f_type) == magic &&
            ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
            return folder;
    }
    return QString();
}

// A file's extended attribute as stored; null when it has none of that name.
QByteArray attribute(const QString& path, const char* name)
{
    QByteArray value(4096, '\0');
    const ssize_t size =
        ::getxattr(QFile::encodeName(path).constData(), name, value.data(), size_t(value.size()));
    return size < 0 ? QByteArray() : value.left(size);
}

// The access ACL "user::rw-, user:<id>:rw-, group::---, mask::rw-, other::---" as the kernel
// stores it (what setfacl writes): a version, then tag, permissions and id per entry.
QByteArray accessAclGranting(quint32 user)
{
    QByteArray acl;
    const auto put32 = [&acl](quint32 v) {
        for (int i = 0; i < 4; ++i)
            acl.append(char((v >> (8 * i)) & 0xff));
    };
    const auto entry = [&](quint16 tag, quint16 permissions, quint32 id) {
        put32(quint32(tag) | (quint32(permissions) << 16));
        put32(id);
    };
    const quint32 none = 0xffffffff;
    put32(2);
    entry(0x01, 6, none); // the owner
    entry(0x02, 6, user); // the named user
    entry(0x04, 0, none); // the owning group
    entry(0x10, 6, none); // the mask
    entry(0x20, 0, none); // others
    return acl;
}

QString makeSharedFolder(const QString& parent)
{
    const QString shared = parent + QStringLiteral("/shared");
    QDir().mkpath(shared);
    ::chmod(QFile::encodeName(parent).constData(), 0755);
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    return shared;
}

} // namespace

class SaveFaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        clearSettings();
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser/bin/browser"));
        // The children are forked from a window: a spelling pass running on a worker thread
        // at that moment would leave its checker's lock taken for good in the child.
        WriteSetting(Setting::Spelling, QStringLiteral("N"));
    }

    // A disk that fills up, or a write that comes back short, during a save or a preview: the
    // old files stay as they were, no temporary file is left, the page still counts as
    // modified and the message is shown.
    void writeCutShort_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("useTemp");
        const QString save = QStringLiteral("FileSaveItem");
        const QString preview = QStringLiteral("mnuViewinbrowser");
        const QStringList faults = {QStringLiteral("fsize 0"),
                                    QStringLiteral("fsize 4096"),
                                    QStringLiteral("fsize %1").arg(kEncodedPieceSize + 4096),
                                    QStringLiteral("fsize last byte"),
                                    QStringLiteral("fsize half a small page"),
                                    QStringLiteral("tmpfs")};
        for (const QString& fault : faults) {
            QTest::addRow("save, %s", qPrintable(fault)) << fault << save << QStringLiteral("Y");
            QTest::addRow("preview, %s", qPrintable(fault))
                << fault << preview << QStringLiteral("Y");
        }
        QTest::newRow("preview over the page, fsize 4096")
            << QStringLiteral("fsize 4096") << preview << QStringLiteral("N");
        QTest::newRow("preview over the page, tmpfs")
            << QStringLiteral("tmpfs") << preview << QStringLiteral("N");
    }
    void writeCutShort()
    {
        QFETCH(QString, fault);
        QFETCH(QString, command);
        QFETCH(QString, useTemp);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        QVERIFY(QDir().mkpath(folder));
        VERIFY_CHILD(
            runInChild([&] { return runCommandUnderFault(folder, fault, command, useTemp); }));
    }

    // Folders and files the user may not write, checked as an unprivileged user.
    void permissionDenied_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("useTemp");
        QTest::addColumn<QString>("failedName");
        QTest::newRow("save, page read-only")
            << QStringLiteral("page") << QStringLiteral("FileSaveItem") << QString()
            << QStringLiteral("page.htm");
        QTest::newRow("save as, folder not writable")
            << QStringLiteral("folder") << QStringLiteral("FileSaveAsItem") << QString()
            << QStringLiteral("new.htm");
        QTest::newRow("preview, folder not writable")
            << QStringLiteral("folder") << QStringLiteral("mnuViewinbrowser") << QStringLiteral("Y")
            << QStringLiteral("pagetmp.htm");
        QTest::newRow("preview, preview file read-only")
            << QStringLiteral("preview") << QStringLiteral("mnuViewinbrowser")
            << QStringLiteral("Y") << QStringLiteral("pagetmp.htm");
        QTest::newRow("preview over the read-only page")
            << QStringLiteral("page") << QStringLiteral("mnuViewinbrowser") << QStringLiteral("N")
            << QStringLiteral("page.htm");
    }
    void permissionDenied()
    {
        QFETCH(QString, fault);
        QFETCH(QString, command);
        QFETCH(QString, useTemp);
        QFETCH(QString, failedName);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
        const QString preview = writeFile(folder + QStringLiteral("/pagetmp.htm"), kOldPreview);
        const QString failedPath = folder + QLatin1Char('/') + failedName;

        ScriptedPrompter prompter;
        FakeLauncher launcher;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::useTemp, useTemp));
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.editor()->ReplaceSelection(QStringLiteral("typed work\n"));
        prompter.saveAnswers = {failedPath};
        const QStringList recentBefore =
            form.MRUFileList1 ? form.MRUFileList1->Items() : QStringList();

        VERIFY_CHILD(runUnprivileged({dir.path()}, [&]() -> QString {
            const char* target = fault == QLatin1String("folder") ? "site"
                                 : fault == QLatin1String("page") ? "site/page.htm"
                                                                  : "site/pagetmp.htm";
            const QString path = dir.filePath(QString::fromLatin1(target));
            if (::chmod(QFile::encodeName(path).constData(),
                        fault == QLatin1String("folder") ? 0555 : 0444) != 0)
                return QStringLiteral("chmod failed");
            // Root would write anyway; make sure the refusal is real for this user.
            if (::access(QFile::encodeName(path).constData(), W_OK) == 0)
                return skipReason(QStringLiteral("permissions are not enforced for this user"));
            form.actionNamed(command)->trigger();
            QString problems =
                failedCommandProblems(form, prompter, page, failedPath, recentBefore);
            problems += compareBytes(page, kOldPage);
            problems += compareBytes(preview, kOldPreview);
            problems +=
                compareEntries(folder, {QStringLiteral("page.htm"), QStringLiteral("pagetmp.htm")});
            if (!launcher.started.isEmpty())
                problems += QStringLiteral("a browser was started; ");
            ::chmod(QFile::encodeName(path).constData(),
                    fault == QLatin1String("folder") ? 0755 : 0644);
            return problems;
        }));
    }

    // Where renaming a new file over the page would change what the page is, it is written in
    // place: a folder the user cannot write, several hard links, another owner. Mode, owner,
    // group and links stay; a write that fails puts the old bytes back.
    void inPlaceSave_data()
    {
        QTest::addColumn<QString>("branch");
        QTest::addColumn<QString>("fault");
        const QStringList branches = {QStringLiteral("folder not writable"),
                                      QStringLiteral("hard links"),
                                      QStringLiteral("another owner")};
        QTest::newRow("plain page, renamed over") << QStringLiteral("none") << QString();
        for (const QString& branch : branches) {
            QTest::addRow("%s", qPrintable(branch)) << branch << QString();
            QTest::addRow("%s, fsize 0", qPrintable(branch)) << branch << QStringLiteral("fsize 0");
            QTest::addRow("%s, fsize 4096", qPrintable(branch))
                << branch << QStringLiteral("fsize 4096");
            QTest::addRow("%s, fsize in the second piece", qPrintable(branch))
                << branch << QStringLiteral("fsize %1").arg(kEncodedPieceSize + 4096);
        }
        QTest::newRow("hard links, tmpfs")
            << QStringLiteral("hard links") << QStringLiteral("tmpfs");
    }
    void inPlaceSave()
    {
        QFETCH(QString, branch);
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        QVERIFY(QDir().mkpath(folder));
        const auto body = [&] { return saveInPlace(folder, branch, fault); };
        if (branch == QLatin1String("folder not writable"))
            VERIFY_CHILD(runUnprivileged({dir.path()}, body));
        else
            VERIFY_CHILD(runInChild(body));
    }

    // Another program deleted, replaced or changed the page after it was opened. Save asks
    // first (a deleted page is simply written again), then writes what the user sees; where it
    // cannot, the text stays in the editor and Save As still works.
    void pageChangedBehindTheEditor_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("saves");
        QTest::newRow("deleted") << QStringLiteral("delete") << true;
        QTest::newRow("replaced by rename") << QStringLiteral("rename") << true;
        QTest::newRow("truncated") << QStringLiteral("truncate") << true;
        QTest::newRow("grown") << QStringLiteral("grow") << true;
        QTest::newRow("replaced by a folder") << QStringLiteral("folder") << false;
        QTest::newRow("its folder removed") << QStringLiteral("remove folder") << false;
    }
    void pageChangedBehindTheEditor()
    {
        QFETCH(QString, change);
        QFETCH(bool, saves);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
        ScriptedPrompter prompter;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.editor()->SetSelectionStart(form.editor()->EditorText().size());
        form.editor()->ReplaceSelection(QStringLiteral("typed \u00e9 work"));
        const QString typed = form.editor()->EditorText();

        if (change == QLatin1String("delete")) {
            QVERIFY(QFile::remove(page));
        } else if (change == QLatin1String("rename")) {
            writeFile(folder + QStringLiteral("/other.tmp"), "someone else's page");
            QVERIFY(::rename(QFile::encodeName(folder + QStringLiteral("/other.tmp")).constData(),
                             QFile::encodeName(page).constData()) == 0);
        } else if (change == QLatin1String("truncate")) {
            QVERIFY(QFile::resize(page, 0));
        } else if (change == QLatin1String("grow")) {
            writeFile(page, QByteArray(1 << 20, 'z'));
        } else if (change == QLatin1String("folder")) {
            QVERIFY(QFile::remove(page));
            QVERIFY(QDir().mkpath(page));
        } else {
            QVERIFY(QDir(folder).removeRecursively());
        }
        const bool asks =
            change != QLatin1String("delete") && change != QLatin1String("remove folder");
        if (asks)
            prompter.choices = {0};
        form.action("FileSaveItem")->trigger();
        QCOMPARE(prompter.chooses.size(), asks ? 1 : 0);

        if (saves) {
            QVERIFY2(prompter.errors.isEmpty(),
                     qPrintable(prompter.errors.join(QLatin1Char('\n'))));
            QCOMPARE(QString::fromUtf8(decodeDocument(readFile(page)).utf8), typed);
            QVERIFY(!form.editor()->ModifiedFlag());
            QCOMPARE(folderEntries(folder), QStringList{QStringLiteral("page.htm")});
            return;
        }
        QCOMPARE(prompter.errors, QStringList{QStringLiteral("Cannot create file %1").arg(page)});
        QVERIFY(form.editor()->ModifiedFlag());
        QCOMPARE(form.editor()->EditorText(), typed);
        // Nothing is lost: the user saves somewhere else.
        const QString elsewhere = dir.filePath(QStringLiteral("rescued.htm"));
        prompter.saveAnswers = {elsewhere};
        form.action("FileSaveAsItem")->trigger();
        QCOMPARE(QString::fromUtf8(decodeDocument(readFile(elsewhere)).utf8), typed);
        QCOMPARE(form.DocumentFileName(), elsewhere);
    }

    // Another program changes the open page. Unedited, it is reloaded quietly with the caret
    // on its line; edited, or when the name became a link or another user's file, the bar above
    // the editor tells, and Save asks before replacing the change: No leaves the file and the
    // editor as they are, Yes writes the user's text as a file of their own, never through the
    // link.
    void changedOnDisk_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("edited");
        for (const char* change :
             {"modified", "replaced by rename", "deleted", "turned into a link", "owner changed"})
            for (const bool edited : {false, true})
                QTest::addRow("%s, %s", change, edited ? "edited" : "unedited")
                    << QString::fromLatin1(change) << edited;
    }
    void changedOnDisk()
    {
        QFETCH(QString, change);
        QFETCH(bool, edited);
        QTemporaryDir dir;
        const QString page =
            writeFile(dir.filePath(QStringLiteral("page.htm")), "line 1\r\nline 2\r\nline 3\r\n");
        const QByteArray victimBytes = "someone's own file\n";
        const QString victim = writeFile(dir.filePath(QStringLiteral("victim.txt")), victimBytes);
        ScriptedPrompter prompter;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.editor()->GoToLine(3);
        if (edited)
            form.editor()->ReplaceSelection(QStringLiteral("typed "));
        const QString shown = form.editor()->EditorText();

        const QByteArray theirs = "their 1\r\ntheir 2\r\ntheir 3\r\ntheir 4\r\n";
        const QByteArray pageName = QFile::encodeName(page);
        if (change == QLatin1String("modified")) {
            writeFile(page, theirs);
        } else if (change == QLatin1String("replaced by rename")) {
            const QString other = writeFile(dir.filePath(QStringLiteral("other.tmp")), theirs);
            QVERIFY(::rename(QFile::encodeName(other).constData(), pageName.constData()) == 0);
        } else if (change == QLatin1String("deleted")) {
            QVERIFY(QFile::remove(page));
        } else if (change == QLatin1String("turned into a link")) {
            QVERIFY(QFile::remove(page));
            QVERIFY(QFile::link(victim, page));
        } else if (::geteuid() != 0 || ::chown(pageName.constData(), 65534, 65534) != 0) {
            QSKIP("giving the page to another user needs root");
        }
        form.checkDiskChange();

        const bool deleted = change == QLatin1String("deleted");
        if (!edited && (change == QLatin1String("modified") ||
                        change == QLatin1String("replaced by rename"))) {
            QVERIFY(!form.DiskChangeBar->isVisibleTo(&form));
            QCOMPARE(form.editor()->EditorUtf8(), decodeDocument(theirs).utf8);
            QCOMPARE(form.editor()->CaretLine(), 3);
            QVERIFY(!form.editor()->ModifiedFlag());
            QCOMPARE(form.Label1->text(),
                     QStringLiteral("%1 was changed by another program and has been reloaded.")
                         .arg(page));
            QVERIFY(prompter.chooses.isEmpty());
            return;
        }
        QVERIFY(form.DiskChangeBar->isVisibleTo(&form));
        QCOMPARE(form.DiskChangeLabel->text(),
                 (deleted ? QStringLiteral("%1 was deleted or moved. Saving will write it again.")
                          : QStringLiteral("%1 was changed by another program."))
                     .arg(page));
        QCOMPARE(form.ReloadButton->isVisibleTo(&form), !deleted);
        QCOMPARE(form.editor()->EditorText(), shown);
        // Keep Mine puts the bar away, and the same change is not told again.
        form.KeepMineButton->click();
        form.checkDiskChange();
        QVERIFY(!form.DiskChangeBar->isVisibleTo(&form));

        if (!deleted) {
            const QByteArray before = readFile(page);
            prompter.choices = {1};
            form.action("FileSaveItem")->trigger();
            const QString name = change == QLatin1String("turned into a link")
                                     ? QStringLiteral("%1 (now a link to %2)").arg(page, victim)
                                     : page;
            QCOMPARE(prompter.chooses.size(), 1);
            QCOMPARE(prompter.chooses[0].text,
                     QStringLiteral("%1 was changed by another program since it was opened. Save "
                                    "anyway and replace those changes?")
                         .arg(name));
            QCOMPARE(readFile(page), before);
            QCOMPARE(form.editor()->EditorText(), shown);
            QCOMPARE(form.editor()->ModifiedFlag(), edited);
            if (change == QLatin1String("modified")) {
                // Reload takes their version after all, the caret staying on its line.
                form.ReloadButton->click();
                QCOMPARE(form.editor()->EditorUtf8(), decodeDocument(theirs).utf8);
                QCOMPARE(form.editor()->CaretLine(), 3);
                QVERIFY(!form.editor()->ModifiedFlag());
                return;
            }
            prompter.choices = {0};
        }
        form.action("FileSaveItem")->trigger();
        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QVERIFY(prompter.unexpected.isEmpty());
        QCOMPARE(QString::fromUtf8(decodeDocument(readFile(page)).utf8), shown);
        QVERIFY(!QFileInfo(page).isSymLink());
        QCOMPARE(QFileInfo(page).ownerId(), ::geteuid());
        QCOMPARE(readFile(victim), victimBytes);
        QVERIFY(!form.editor()->ModifiedFlag());
    }

    // A colleague's symbolic link in a shared folder (sticky bit) is never followed by a save:
    // it could lead to any file of the user's own.
    void foreignLinkInStickyFolderIsNotFollowed()
    {
        if (::geteuid() != 0)
            QSKIP("making another user's link needs root");
        QTemporaryDir dir;
        const QString shared = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
        const QByteArray victimBytes = "export PATH=/usr/bin\n";
        const QString victim = writeFile(dir.filePath(QStringLiteral("home/.bashrc")), victimBytes);
        const QString link = shared + QStringLiteral("/page.htm");
        QVERIFY(QFile::link(victim, link));
        QVERIFY(::lchown(QFile::encodeName(link).constData(), 65534, 65534) == 0);
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 writeDocumentFile(link, "<P>page</P>\n", 12, TextFormat()));
        QCOMPARE(readFile(victim), victimBytes);
        QVERIFY(QFileInfo(link).isSymLink());
        // The user's own link there leads where it always did.
        QVERIFY(::lchown(QFile::encodeName(link).constData(), 0, 0) == 0);
        writeDocumentFile(link, "<P>page</P>\n", 12, TextFormat());
        QCOMPARE(readFile(victim), QByteArray("<P>page</P>\r\n"));
    }

    // A page reached through symbolic links is saved where the links lead; the links stay.
    void symlinkedPage_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::newRow("absolute link") << QStringLiteral("absolute");
        QTest::newRow("relative link") << QStringLiteral("relative");
        QTest::newRow("chain of links") << QStringLiteral("chain");
        QTest::newRow("link into another folder") << QStringLiteral("other folder");
    }
    void symlinkedPage()
    {
        QFETCH(QString, shape);
        QTemporaryDir dir;
        const QString real = writeFile(dir.filePath(QStringLiteral("real/page.htm")), kOldPage);
        const QString link = dir.filePath(QStringLiteral("site/link.htm"));
        QDir().mkpath(dir.filePath(QStringLiteral("site")));
        QString linkTarget = real;
        if (shape == QLatin1String("relative") || shape == QLatin1String("other folder")) {
            linkTarget = QStringLiteral("../real/page.htm");
        } else if (shape == QLatin1String("chain")) {
            const QString middle = dir.filePath(QStringLiteral("site/middle.htm"));
            QVERIFY(QFile::link(real, middle));
            linkTarget = QStringLiteral("middle.htm");
        }
        QVERIFY(::symlink(QFile::encodeName(linkTarget).constData(),
                          QFile::encodeName(link).constData()) == 0);
        const QStringList entriesBefore = folderEntries(dir.filePath(QStringLiteral("site")));

        ScriptedPrompter prompter;
        TMainForm form;
        Prompter::FileAnswer answer;
        answer.files = {link};
        prompter.openAnswers = {answer};
        form.action("FileOpenItem")->trigger();
        QCOMPARE(form.DocumentFileName(), link);
        form.editor()->ReplaceSelection(QStringLiteral("typed\n"));
        form.action("FileSaveItem")->trigger();

        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(real), QByteArray("typed\r\n") + kOldPage);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(linkText(link), linkTarget);
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("site"))), entriesBefore);
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("real"))),
                 QStringList{QStringLiteral("page.htm")});
        QCOMPARE(form.DocumentFileName(), link);
    }

    // A preview file that is the page itself under another name would overwrite the page
    // with every preview: it is refused, and no browser is started.
    void previewNeverReplacesThePage_data()
    {
        QTest::addColumn<QString>("tempName");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("refused");
        QTest::newRow("link to the page")
            << QStringLiteral("pagetmp.htm") << QStringLiteral("symlink") << true;
        QTest::newRow("the page's own name") << QStringLiteral("page.htm") << QString() << true;
        QTest::newRow("through the parent folder")
            << QStringLiteral("../site/page.htm") << QString() << true;
        QTest::newRow("link to the folder")
            << QStringLiteral("here/page.htm") << QStringLiteral("folder link") << true;
        // A second name for the same file is replaced as a name; the page keeps its bytes.
        QTest::newRow("hard link")
            << QStringLiteral("pagetmp.htm") << QStringLiteral("hard link") << false;
    }
    void previewNeverReplacesThePage()
    {
        QFETCH(QString, tempName);
        QFETCH(QString, shape);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
        const QString preview = folder + QStringLiteral("/pagetmp.htm");
        if (shape == QLatin1String("symlink"))
            QVERIFY(QFile::link(page, preview));
        else if (shape == QLatin1String("hard link"))
            QVERIFY(::link(QFile::encodeName(page).constData(),
                           QFile::encodeName(preview).constData()) == 0);
        else if (shape == QLatin1String("folder link"))
            QVERIFY(QFile::link(folder, folder + QStringLiteral("/here")));

        ScriptedPrompter prompter;
        FakeLauncher launcher;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::useTemp, QStringLiteral("Y")));
        form.setPreviewValues(
            changed(form.previewValues(), &TMainForm::PreviewValues::tempFilename, tempName));
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.editor()->ReplaceSelection(QStringLiteral("unsaved work\n"));
        form.action("mnuViewinbrowser")->trigger();

        QCOMPARE(readFile(page), kOldPage);
        QVERIFY(form.editor()->ModifiedFlag());
        if (refused) {
            QCOMPARE(prompter.errors.size(), 1);
            QVERIFY(launcher.started.isEmpty());
        } else {
            QVERIFY2(prompter.errors.isEmpty(),
                     qPrintable(prompter.errors.join(QLatin1Char('\n'))));
            QCOMPARE(readFile(preview), QByteArray("unsaved work\r\n") + kOldPage);
            QCOMPARE(launcher.started.size(), 1);
        }
    }

    // Someone with write access to the site folder planted a link at the preview name. The
    // preview replaces the link with its own file and writes nothing where the link led; in a
    // shared folder, a name another user holds is refused.
    void previewNeverFollowsALink_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::newRow("link to a file outside the folder") << QStringLiteral("outside file");
        QTest::newRow("dangling link") << QStringLiteral("dangling");
        QTest::newRow("link to a folder outside") << QStringLiteral("outside folder");
        QTest::newRow("another user's link, sticky folder") << QStringLiteral("other user");
    }
    void previewNeverFollowsALink()
    {
        QFETCH(QString, plant);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
        const QString preview = folder + QStringLiteral("/pagetmp.htm");
        const QByteArray victimBytes = "someone's precious file\n";
        const QString victim =
            writeFile(dir.filePath(QStringLiteral("victim/notes.txt")), victimBytes);
        const QString linkTarget =
            plant == QLatin1String("dangling") ? dir.filePath(QStringLiteral("victim/created.htm"))
            : plant == QLatin1String("outside folder") ? dir.filePath(QStringLiteral("victim"))
                                                       : victim;
        QVERIFY(QFile::link(linkTarget, preview));

        ScriptedPrompter prompter;
        FakeLauncher launcher;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.editor()->ReplaceSelection(QStringLiteral("unsaved work\n"));
        const QByteArray previewBytes = QByteArray("unsaved work\r\n") + kOldPage;

        if (plant == QLatin1String("other user")) {
            if (::geteuid() != 0)
                QSKIP("needs root to plant a link as another user");
            // Root's link in a folder everyone may write to; the user previewing is 65534.
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 01777) == 0);
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
            VERIFY_CHILD(runUnprivileged({}, [&]() -> QString {
                form.action("mnuViewinbrowser")->trigger();
                const QStringList expected{
                    QStringLiteral("The preview file %1 belongs to another user. Choose another "
                                   "temporary file name in File | Preferences.")
                        .arg(preview)};
                QString problems;
                if (prompter.errors != expected)
                    problems += QStringLiteral("messages [%1]; ").arg(prompter.errors.join(u'|'));
                if (!launcher.started.isEmpty())
                    problems += QStringLiteral("a browser was started; ");
                return problems;
            }));
            QCOMPARE(linkText(preview), linkTarget);
        } else {
            form.action("mnuViewinbrowser")->trigger();
            QVERIFY2(prompter.errors.isEmpty(),
                     qPrintable(prompter.errors.join(QLatin1Char('\n'))));
            QVERIFY(!QFileInfo(preview).isSymLink());
            QCOMPARE(readFile(preview), previewBytes);
            QCOMPARE(launcher.started.size(), 1);
        }
        QCOMPARE(readFile(victim), victimBytes);
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("victim"))),
                 QStringList{QStringLiteral("notes.txt")});
        QCOMPARE(folderEntries(folder),
                 (QStringList{QStringLiteral("page.htm"), QStringLiteral("pagetmp.htm")}));
        QCOMPARE(readFile(page), kOldPage);
    }

    // A save that died part-way left its temporary file beside the page. The page's next save
    // removes such leftovers of its own, and nothing else: not another page's, not a file in
    // use by a save still running, not a look-alike of someone else's.
    void staleTemporariesAreRemoved_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("removed");
        QTest::newRow("the page's")
            << QStringLiteral("page.htm.vorlane-Ab3xY9.tmp") << QString() << true;
        QTest::newRow("the preview's")
            << QStringLiteral("pagetmp.htm.vorlane-000000.tmp") << QString() << true;
        QTest::newRow("in use by a running save")
            << QStringLiteral("page.htm.vorlane-Ab3xY9.tmp") << QStringLiteral("locked") << false;
        QTest::newRow("another page's")
            << QStringLiteral("other.htm.vorlane-Ab3xY9.tmp") << QString() << false;
        QTest::newRow("not our naming")
            << QStringLiteral("page.htm.vorlane-Ab3xY.tmp") << QString() << false;
        QTest::newRow("a link named like ours")
            << QStringLiteral("page.htm.vorlane-Ab3xY9.tmp") << QStringLiteral("link") << false;
        QTest::newRow("a folder named like ours")
            << QStringLiteral("page.htm.vorlane-Ab3xY9.tmp") << QStringLiteral("folder") << false;
    }
    void staleTemporariesAreRemoved()
    {
        QFETCH(QString, name);
        QFETCH(QString, shape);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("site"));
        const QString page = writeFile(folder + QStringLiteral("/page.htm"), kOldPage);
        const QString leftover = folder + QLatin1Char('/') + name;
        const QString elsewhere = writeFile(dir.filePath(QStringLiteral("elsewhere.htm")), "x");
        int holder = -1;
        if (shape == QLatin1String("link")) {
            QVERIFY(QFile::link(elsewhere, leftover));
        } else if (shape == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(leftover));
        } else {
            writeFile(leftover, QByteArray(100000, 'h'));
            if (shape == QLatin1String("locked")) {
                holder = ::open(QFile::encodeName(leftover).constData(), O_RDONLY | O_CLOEXEC);
                QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX) == 0);
            }
        }
        QCOMPARE(isTemporaryFileOf(name, QStringLiteral("page.htm")) ||
                     isTemporaryFileOf(name, QStringLiteral("pagetmp.htm")),
                 removed || !shape.isEmpty());

        ScriptedPrompter prompter;
        FakeLauncher launcher;
        TMainForm form;
        form.LoadDocument(page);
        form.SetDocumentName(page);
        form.setPreviewValues(changed(form.previewValues(), &TMainForm::PreviewValues::browser,
                                      QStringLiteral("NS")));
        form.editor()->ReplaceSelection(QStringLiteral("new\n"));
        form.action("FileSaveItem")->trigger();
        form.action("mnuViewinbrowser")->trigger();
        if (holder >= 0)
            ::close(holder);

        QVERIFY2(prompter.errors.isEmpty(), qPrintable(prompter.errors.join(QLatin1Char('\n'))));
        QCOMPARE(readFile(page), QByteArray("new\r\n") + kOldPage);
        QStringList expected{QStringLiteral("page.htm"), QStringLiteral("pagetmp.htm")};
        if (!removed)
            expected.append(name);
        expected.sort();
        QCOMPARE(folderEntries(folder), expected);
        QCOMPARE(readFile(elsewhere), QByteArray("x"));
    }

    // A page with an ACL (user 1234 may read and write it, the owning group nothing) and a
    // user. attribute keeps both through a save, on each kind of file system at hand. Saved by
    // an ordinary user in a shared folder with the sticky bit. Without its ACL the page's group
    // bits (rw, the ACL's mask) would let the owning group write it.
    void extendedAttributesAreKept_data()
    {
        QTest::addColumn<QString>("fileSystem");
        QTest::newRow("tmpfs") << QStringLiteral("tmpfs");
        QTest::newRow("ext4") << QStringLiteral("ext4");
    }
    void extendedAttributesAreKept()
    {
        QFETCH(QString, fileSystem);
        const QString base = folderOn(fileSystem);
        if (base.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no writable %1 folder here").arg(fileSystem)));
        QTemporaryDir dir(base + QStringLiteral("/vorlane-XXXXXX"));
        const QString shared = makeSharedFolder(dir.path());
        VERIFY_CHILD(runUnprivileged({}, [&]() -> QString {
            const QString page = shared + QStringLiteral("/page.htm");
            const QByteArray native = QFile::encodeName(page);
            if (::access(QFile::encodeName(shared).constData(), W_OK | X_OK) != 0)
                return skipReason(
                    QStringLiteral("%1 is out of an ordinary user's reach").arg(base));
            writeFile(page, kOldPage);
            const QByteArray acl = accessAclGranting(1234);
            if (::chmod(native.constData(), 0660) != 0 ||
                ::setxattr(native.constData(), "system.posix_acl_access", acl.constData(),
                           size_t(acl.size()), 0) != 0 ||
                ::setxattr(native.constData(), "user.vorlane.origin", "kept", 4, 0) != 0)
                return skipReason(
                    QStringLiteral("%1 in %2 keeps no ACL or user attribute: %3")
                        .arg(fileSystem, base, QString::fromLocal8Bit(std::strerror(errno))));
            const QByteArray aclBefore = attribute(page, "system.posix_acl_access");
            struct stat before, after;
            ::stat(native.constData(), &before);
            QString problems = errorOf([&] { writePageFile(page, "the new page"); });
            ::stat(native.constData(), &after);
            if (after.st_ino == before.st_ino)
                problems += QStringLiteral("saved in place, not as a new file; ");
            if (attribute(page, "system.posix_acl_access") != aclBefore)
                problems += QStringLiteral("the ACL was lost; ");
            if (attribute(page, "user.vorlane.origin") != "kept")
                problems += QStringLiteral("the user attribute was lost; ");
            if ((after.st_mode & 07777) != 0660)
                problems += QStringLiteral("mode %1; ").arg(after.st_mode & 07777, 0, 8);
            problems += compareBytes(page, "the new page");
            problems += compareEntries(shared, {QStringLiteral("page.htm")});
            return problems;
        }));
    }

    // An attribute the user may read but not set (a file capability root gave the page) cannot
    // go onto a new file: the page is saved in place, which keeps the file itself.
    void attributeThatCannotBeCopiedMeansInPlace()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to give an ordinary user's page a file capability");
        QTemporaryDir dir;
        const QString shared = makeSharedFolder(dir.path());
        const QString page = writeFile(shared + QStringLiteral("/page.htm"), kOldPage);
        const QByteArray native = QFile::encodeName(page);
        QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
        // Version 2 of a capability set: "may bind low ports", permitted only.
        const quint32 capability[5] = {0x02000000, 1u << 10, 0, 0, 0};
        if (::setxattr(native.constData(), "security.capability", capability, sizeof capability,
                       0) != 0)
            QSKIP(qPrintable(QStringLiteral("no file capabilities here: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        struct stat before, after;
        QCOMPARE(::stat(native.constData(), &before), 0);
        VERIFY_CHILD(runInChild([&]() -> QString {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                return skipReason(QStringLiteral("cannot become user 65534"));
            // The user's own state folder, where an in-place save keeps its journal.
            char state[] = "/tmp/vorlane-state-XXXXXX";
            if (::mkdtemp(state) == nullptr)
                return skipReason(QStringLiteral("no state folder for user 65534"));
            qputenv("XDG_STATE_HOME", state);
            return errorOf([&] { writePageFile(page, "the new page"); });
        }));
        QCOMPARE(::stat(native.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(readFile(page), QByteArray("the new page"));
        QCOMPARE(folderEntries(shared), QStringList{QStringLiteral("page.htm")});
    }
};

VORLANE_TEST_MAIN(SaveFaultsTest)
#include "save_faults_test.moc"
