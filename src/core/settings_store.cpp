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
                                            PreviewScripts};
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

// Every change of the store by any instance: read, changed and written back as one step.
//
// Qt decides whether to parse the file again by its size and modification time (to the
// millisecond), and the file system's clock ticks only every few milliseconds: a same-sized
// write by another instance within one tick looked unchanged, and this instance wrote its
// stale copy over it. So each change holds a lock on the store's folder from the re-read to
// the write, and leaves the file with a time later than the one it replaced. Then no two
// versions of the file ever look alike, and every read, here or in another instance, parses
// what is on disk now.
class StoreUpdate
{
public:
    explicit StoreUpdate(const QString& file) : file_(QFile::encodeName(file))
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
        folder_ = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // Without locks (some network homes) Qt's own lock around its write still holds.
        if (folder_ >= 0)
            while (::flock(folder_, LOCK_EX) != 0 && errno == EINTR) {
            }
        struct stat info;
        if (::stat(file_.constData(), &info) == 0)
            replaced_ = modifiedMsecs(info);
    }
    ~StoreUpdate()
    {
        if (folder_ >= 0)
            ::close(folder_); // releases the lock
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
    int folder_ = -1;
    qint64 replaced_ = -1; // the replaced file's time, -1 when there was none
};

} // namespace

QString settingsFilePath()
{
    return openStore()->fileName();
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

void writeNamed(const QString& name, const QString& text)
{
    ensureStoreFolder(kSettingsKey);
    StoreUpdate update(settingsFilePath());
    auto store = openStore();
    preserveUnparsableStore(*store, name);
    store->setValue(name, text);
    checkWritten(*store, name);
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
    writeNamed(QString::fromUtf8(key.name), text);
}

void WriteFlag(const SettingKey& key, bool on)
{
    WriteSetting(key, on ? QStringLiteral("Y") : QStringLiteral("N"));
}

void EraseSubkey(const QString& keyPath, const QString& subkey)
{
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
