#include "core/settings_store.h"

#include "core/app_error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace Setting {
const QList<SettingKey>& all()
{
    static const QList<SettingKey> table = {FormTop,
                                            FormLeft,
                                            FormWidth,
                                            FormHeight,
                                            WordWrap,
                                            StatusBar,
                                            Welcome,
                                            QuickStart,
                                            Font,
                                            FontSize,
                                            Browser,
                                            BrowserLocation,
                                            UseTemp,
                                            TempFilename,
                                            DefaultTitle,
                                            QuickStartBgColor,
                                            QuickStartTextColor,
                                            QuickStartLinkColor,
                                            QuickStartVLinkColor,
                                            QuickStartALinkColor,
                                            QuickStartBgImage,
                                            ParseImagePaths,
                                            TaskTray,
                                            Highlighting,
                                            LineNumbers,
                                            TagCompletion,
                                            LivePreview,
                                            PreviewFollowsCaret,
                                            LivePreviewWidth,
                                            Spelling,
                                            SpellingLanguage,
                                            PreviewScripts,
                                            SitePanel};
    return table;
}

const SettingKey* find(const QString& name)
{
    for (const SettingKey& key : all())
        if (name == QLatin1String(key.name))
            return &key;
    return nullptr;
}
} // namespace Setting

namespace {

// Qt parses a store file once and reuses the parse while the file's size and time stay the
// same, so it reports a file it could not parse only to the first object that opens it. Which
// file that was is kept here, so that a later write still knows.
struct UnparsableFile
{
    QString path;
    qint64 size = -1;
    QDateTime modified;
};

UnparsableFile& unparsableFile()
{
    static UnparsableFile file;
    return file;
}

// A fresh object per operation: every read sees what any instance wrote last.
std::unique_ptr<QSettings> openStore()
{
    auto store =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Tallowmark"), QStringLiteral("Vorlane"));
    if (store->status() == QSettings::FormatError) {
        const QFileInfo info(store->fileName());
        unparsableFile() = {store->fileName(), info.size(), info.lastModified()};
    }
    return store;
}

bool isUnparsable(const QSettings& store)
{
    if (store.status() == QSettings::FormatError)
        return true;
    const UnparsableFile& known = unparsableFile();
    if (known.path != store.fileName())
        return false;
    const QFileInfo info(known.path);
    return info.exists() && info.size() == known.size && info.lastModified() == known.modified;
}

QString upToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

// Turns "\Software\Tallowmark\Vorlane\Recent Files" + "Recent Files" into the group path
// "Recent Files/Recent Files" below our own key.
QString groupFor(const QString& keyPath, const QString& subkey)
{
    QString path = keyPath;
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    if (path.compare(kSettingsKey, Qt::CaseInsensitive) == 0)
        path.clear();
    else if (path.startsWith(kSettingsKey + QLatin1Char('\\'), Qt::CaseInsensitive))
        path = path.mid(kSettingsKey.size() + 1);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!subkey.isEmpty())
        path = path.isEmpty() ? subkey : path + QLatin1Char('/') + subkey;
    return path;
}

// A store the INI reader could not parse would lose its unreadable lines on the next write.
// Keep a copy beside it first, once per broken file; without the copy the write does not
// happen.
void preserveUnparsableStore(QSettings& store, const QString& name)
{
    if (!isUnparsable(store))
        return;
    const QString file = store.fileName();
    const QString backup = file + QStringLiteral(".unreadable");
    QFile::remove(backup);
    if (!QFile::copy(file, backup))
        throw AppError(QStringLiteral("Failed to set data for '%1'").arg(name));
    unparsableFile() = {};
}

void ensureStoreFolder(const QString& keyName)
{
    const QFileInfo info(settingsFilePath());
    if (!QDir().mkpath(info.absolutePath()))
        throw AppError(QStringLiteral("Failed to create key %1").arg(keyName));
}

void checkWritten(QSettings& store, const QString& name)
{
    store.sync();
    if (store.status() == QSettings::AccessError)
        throw AppError(QStringLiteral("Failed to set data for '%1'").arg(name));
}

qint64 modifiedMsecs(const struct stat& info)
{
    return qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

// The lock file lives in a folder of ours that nobody else can enter, so no other user can
// open it, let alone hold it. -1 when there is none to be had (a folder or file of another
// user at its name, a read-only home).
int openLockFile(const QString& path)
{
    const QByteArray folderPath = QFile::encodeName(QFileInfo(path).path());
    ::mkdir(folderPath.constData(), 0700);
    const int folder =
        ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return -1;
    const uid_t me = ::geteuid();
    struct stat info;
    int fd = -1;
    if (::fstat(folder, &info) == 0 && info.st_uid == me &&
        ((info.st_mode & 077) == 0 || ::fchmod(folder, 0700) == 0)) {
        fd = ::openat(folder, QFile::encodeName(QFileInfo(path).fileName()).constData(),
                      O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != me)) {
            ::close(fd);
            fd = -1;
        }
    }
    ::close(folder);
    return fd;
}

qint64 monotonicMsecs()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits a while for the lock, never for good: an instance that hangs while holding it must
// not make every other one hang on closing.
bool takeLock(int fd)
{
    constexpr qint64 kPatienceMs = 2000;
    const qint64 deadline = monotonicMsecs() + kPatienceMs;
    useconds_t pause = 500;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno == ENOLCK; // no locks here (some network homes): Qt's own still holds
        if (monotonicMsecs() >= deadline)
            return false;
        ::usleep(pause);
        pause = qMin<useconds_t>(pause * 2, 5000);
    }
}

// Every change of the store by any instance: read, changed and written back as one step.
//
// Qt decides whether to parse the file again by its size and modification time (to the
// millisecond), and the file system's clock ticks only every few milliseconds: a same-sized
// write by another instance within one tick looked unchanged, and this instance wrote its
// stale copy over it. So each change holds the settings lock from the re-read to the write,
// and leaves the file with a time later than the one it replaced. Then no two versions of the
// file ever look alike, and every read, here or in another instance, parses what is on disk
// now. A lock that cannot be had within the wait is reported, and the change made anyway:
// losing the race is better than never closing.
class StoreUpdate
{
public:
    explicit StoreUpdate(const QString& file) : file_(QFile::encodeName(file))
    {
        lock_ = openLockFile(settingsLockPath());
        if (lock_ < 0 || !takeLock(lock_)) {
            std::fprintf(stderr,
                         "Vorlane: the settings lock %s could not be taken; writing the "
                         "settings without it\n",
                         QFile::encodeName(settingsLockPath()).constData());
        }
        struct stat info;
        if (::stat(file_.constData(), &info) == 0)
            replaced_ = modifiedMsecs(info);
    }
    ~StoreUpdate()
    {
        if (lock_ >= 0)
            ::close(lock_); // releases the lock
    }
    StoreUpdate(const StoreUpdate&) = delete;
    StoreUpdate& operator=(const StoreUpdate&) = delete;

    // After a successful write, while the lock is still held.
    void written()
    {
        struct stat info;
        if (replaced_ < 0 || ::stat(file_.constData(), &info) != 0 ||
            modifiedMsecs(info) > replaced_)
            return;
        const qint64 later = replaced_ + 1;
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {time_t(later / 1000), long(later % 1000) * 1000000}};
        ::utimensat(AT_FDCWD, file_.constData(), times, 0);
    }

private:
    QByteArray file_;
    int lock_ = -1;
    qint64 replaced_ = -1; // the replaced file's time, -1 when there was none
};

} // namespace

QString settingsFilePath()
{
    return openStore()->fileName();
}

QString settingsLockPath()
{
    return QFileInfo(settingsFilePath()).path() + QStringLiteral("/Vorlane/settings.lock");
}

namespace {

// Reads share one store object while the file stays as it was: making a QSettings costs more
// than a read, and start-up alone reads some twenty settings. Before every read the file's
// identity, size and times are compared to the nanosecond (Qt itself compares size and time
// to the millisecond), so a read still sees what any instance wrote last.
class StoreReader
{
public:
    template <class Read> auto read(Read&& readFrom)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const QByteArray homes = qgetenv("XDG_CONFIG_HOME") + '\0' + qgetenv("HOME");
        struct stat now
        {
        };
        const bool exists = store_ && ::stat(path_.constData(), &now) == 0;
        if (!store_ || homes != homes_ || exists != exists_ || (exists && !same(now, seen_))) {
            store_ = openStore();
            homes_ = homes;
            path_ = QFile::encodeName(store_->fileName());
            exists_ = ::stat(path_.constData(), &seen_) == 0;
        }
        return readFrom(*store_);
    }

private:
    static bool same(const struct stat& a, const struct stat& b)
    {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
               a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    }

    std::mutex mutex_;
    std::unique_ptr<QSettings> store_;
    QByteArray homes_;
    QByteArray path_;
    bool exists_ = false;
    struct stat seen_
    {
    };
};

// Never destroyed: its QSettings must not outlive Qt's own store cache at exit.
StoreReader& storeReader()
{
    static StoreReader* reader = new StoreReader;
    return *reader;
}

QString readNamed(const QString& name, const QString& defaultValue)
{
    const QVariant value = storeReader().read([&](QSettings& store) { return store.value(name); });
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() != QMetaType::QString)
        throw AppError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return upToNul(value.toString());
}

void writeNamed(const QList<QPair<QString, QString>>& values)
{
    ensureStoreFolder(kSettingsKey);
    StoreUpdate update(settingsFilePath());
    auto store = openStore();
    preserveUnparsableStore(*store, values.first().first);
    for (const auto& [name, text] : values)
        store->setValue(name, text);
    checkWritten(*store, values.first().first);
    update.written();
}

} // namespace

QString ReadSetting(const SettingKey& key)
{
    return readNamed(QString::fromUtf8(key.name),
                     key.defaultValue ? QString::fromUtf8(key.defaultValue) : QString());
}

bool ReadFlag(const SettingKey& key)
{
    return ReadSetting(key) == QLatin1String("Y");
}

bool SettingExists(const SettingKey& key)
{
    return storeReader().read(
        [&](QSettings& store) { return store.contains(QString::fromUtf8(key.name)); });
}

void WriteSetting(const SettingKey& key, const QString& text)
{
    writeNamed({{QString::fromUtf8(key.name), text}});
}

void WriteWindowGeometry(int top, int left, int width, int height)
{
    writeNamed({{QString::fromUtf8(Setting::FormWidth.name), QString::number(width)},
                {QString::fromUtf8(Setting::FormHeight.name), QString::number(height)},
                {QString::fromUtf8(Setting::FormTop.name), QString::number(top)},
                {QString::fromUtf8(Setting::FormLeft.name), QString::number(left)}});
}

void WriteFlag(const SettingKey& key, bool on)
{
    WriteSetting(key, on ? QStringLiteral("Y") : QStringLiteral("N"));
}

void EraseSubkey(const QString& keyPath, const QString& subkey)
{
    if (!QFileInfo::exists(settingsFilePath()))
        return; // nothing to erase, and no folder to make for the lock
    StoreUpdate update(settingsFilePath());
    auto store = openStore();
    const QString group = groupFor(keyPath, subkey);
    if (!store->childGroups().isEmpty() || !store->allKeys().isEmpty()) {
        preserveUnparsableStore(*store, subkey);
        store->remove(group);
        checkWritten(*store, subkey);
        update.written();
    }
}

void WriteSubkeyValue(const QString& keyPath, const QString& subkey, const QString& name,
                      const QString& text)
{
    QString keyName = keyPath;
    while (keyName.startsWith(QLatin1Char('\\')))
        keyName.remove(0, 1);
    ensureStoreFolder(keyName + QLatin1Char('\\') + subkey);
    StoreUpdate update(settingsFilePath());
    auto store = openStore();
    preserveUnparsableStore(*store, name);
    store->setValue(groupFor(keyPath, subkey) + QLatin1Char('/') + name, text);
    checkWritten(*store, name);
    update.written();
}

QList<QPair<QString, QString>> ListSubkeyValues(const QString& keyPath, const QString& subkey)
{
    QList<QPair<QString, QString>> values;
    auto store = openStore();
    store->beginGroup(groupFor(keyPath, subkey));
    QStringList names = store->childKeys();
    // The INI store sorts keys as text; enumerate F0..F9, F10.. in numeric order as written.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        auto split = [](const QString& s) {
            qsizetype i = s.size();
            while (i > 0 && s.at(i - 1).isDigit())
                --i;
            bool ok = false;
            const qlonglong n = s.mid(i).toLongLong(&ok);
            return std::make_tuple(s.left(i), ok ? n : -1, s);
        };
        return split(a) < split(b);
    });
    for (const QString& name : names) {
        const QVariant value = store->value(name);
        if (value.typeId() != QMetaType::QString)
            continue;
        const QString text = upToNul(value.toString());
        if (!text.isEmpty())
            values.append({name, text});
    }
    return values;
}
