#include "core/spell_checker.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/runtime_library.h"
#include "core/settings_store.h"

#include <hunspell.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Hunspell is opened when the first dictionary loads, a moment after the window is up: a start
// of the program does not pay for loading it.
// clang-format off
#define VORLANE_HUNSPELL_FUNCTIONS(X) \
    X(Hunspell_create) \
    X(Hunspell_destroy) \
    X(Hunspell_get_dic_encoding) \
    X(Hunspell_spell) \
    X(Hunspell_suggest) \
    X(Hunspell_free_list) \
    X(Hunspell_add)
// clang-format on
VORLANE_RUNTIME_LIBRARY(HunspellFunctions, hunspellFunctions, VORLANE_HUNSPELL_LIBRARY,
                        VORLANE_HUNSPELL_FUNCTIONS)

// Only called once available() has said yes.
const HunspellFunctions& hunspell()
{
    return *hunspellFunctions(nullptr);
}

// The personal list is the user's own short file; anything larger is not read past this.
constexpr qint64 kPersonalListLimit = 1024 * 1024;

std::mutex& registryMutex()
{
    static std::mutex m;
    return m;
}

QHash<QString, std::weak_ptr<SpellChecker>>& registry()
{
    static QHash<QString, std::weak_ptr<SpellChecker>> checkers;
    return checkers;
}

// Size and modification time in one number, or -1 when the list is not a regular file.
qint64 personalListStamp(const QString& path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return qint64(info.st_size) ^ (qint64(info.st_mtim.tv_sec) << 20) ^ info.st_mtim.tv_nsec;
}

// The words of the list; only a regular file (never a link or a device) and only its start.
QStringList readPersonalList(const QString& path)
{
    if (personalListStamp(path) < 0)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.read(kPersonalListLimit));
    QStringList words;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (const QString word = line.trimmed(); !word.isEmpty())
            words << word;
    return words;
}

} // namespace

SpellChecker::SpellChecker(const QString& dictionary, const QString& aff, const QString& dic,
                           const QString& personalList)
    : dictionary_(dictionary),
      hunspell_(hunspell().Hunspell_create(QFile::encodeName(aff).constData(),
                                           QFile::encodeName(dic).constData()))
{
    encoding_ = hunspell().Hunspell_get_dic_encoding(hunspell_);
    utf8_ = encoding_.compare("UTF-8", Qt::CaseInsensitive) == 0;
    loadPersonalList(personalList);
}

SpellChecker::~SpellChecker()
{
    hunspell().Hunspell_destroy(hunspell_);
}

bool SpellChecker::available(QString* why)
{
    return hunspellFunctions(why) != nullptr;
}

namespace {
QString& dictionaryFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString SpellChecker::dictionaryFolder()
{
    const QString& chosen = dictionaryFolderOverride();
    return chosen.isEmpty() ? QStringLiteral("/usr/share/hunspell") : chosen;
}

void SpellChecker::setDictionaryFolder(const QString& folder)
{
    dictionaryFolderOverride() = folder;
}

QStringList SpellChecker::installedDictionaries(const QString& folder)
{
    QStringList names;
    const QDir dir(folder);
    for (const QString& dic : filesEndingWith(folder, QStringLiteral(".dic"), QDir::Name)) {
        const QString name = dic.chopped(4);
        if (dir.exists(name + QStringLiteral(".aff")))
            names << name;
    }
    return names;
}

std::shared_ptr<SpellChecker> SpellChecker::loaded(const QString& dictionary)
{
    std::lock_guard lock(registryMutex());
    return registry().value(dictionary).lock();
}

std::shared_ptr<SpellChecker> SpellChecker::forLanguage(const QString& dictionary,
                                                        const QString& personalList,
                                                        const QString& folder)
{
    if (dictionary.isEmpty() || !installedDictionaries(folder).contains(dictionary) ||
        !available(nullptr))
        return nullptr;
    // One load at a time, so two windows asking for one dictionary share it; the registry
    // itself stays free meanwhile for those only asking what is loaded.
    static std::mutex loading;
    std::lock_guard lock(loading);
    if (std::shared_ptr<SpellChecker> existing = loaded(dictionary))
        return existing;
    const QString base = folder + QLatin1Char('/') + dictionary;
    std::shared_ptr<SpellChecker> checker(new SpellChecker(
        dictionary, base + QStringLiteral(".aff"), base + QStringLiteral(".dic"), personalList));
    std::lock_guard registered(registryMutex());
    registry().insert(dictionary, checker);
    return checker;
}

QString SpellChecker::personalListPath()
{
    return QFileInfo(settingsFilePath()).absolutePath() + QStringLiteral("/Personal Words.txt");
}

QByteArray SpellChecker::encode(const QString& word) const
{
    if (utf8_)
        return word.toUtf8();
    QStringEncoder encoder(encoding_.constData());
    return encoder.isValid() ? QByteArray(encoder(word)) : word.toLatin1();
}

QString SpellChecker::decode(const char* word) const
{
    if (utf8_)
        return QString::fromUtf8(word);
    QStringDecoder decoder(encoding_.constData());
    return decoder.isValid() ? QString(decoder(QByteArrayView(word))) : QString::fromLatin1(word);
}

bool SpellChecker::isCorrect(const QString& word)
{
    std::lock_guard lock(mutex_);
    const auto known = known_.constFind(word);
    if (known != known_.cend())
        return *known;
    const bool correct = ignored_.contains(word) || personal_.contains(word) ||
                         hunspell().Hunspell_spell(hunspell_, encode(word).constData()) != 0;
    known_.insert(word, correct);
    return correct;
}

QStringList SpellChecker::suggestions(const QString& word, int count)
{
    std::lock_guard lock(mutex_);
    QStringList list;
    char** found = nullptr;
    const int n = hunspell().Hunspell_suggest(hunspell_, &found, encode(word).constData());
    for (int i = 0; i < n && list.size() < count; ++i)
        list << decode(found[i]);
    hunspell().Hunspell_free_list(hunspell_, &found, n);
    return list;
}

void SpellChecker::ignore(const QString& word)
{
    std::lock_guard lock(mutex_);
    ignored_.insert(word);
    known_.insert(word, true);
}

void SpellChecker::loadPersonalList(const QString& path)
{
    personalStamp_ = personalListStamp(path);
    for (const QString& word : readPersonalList(path)) {
        if (personal_.contains(word))
            continue;
        personal_.insert(word);
        hunspell().Hunspell_add(hunspell_, encode(word).constData()); // its capitalised forms too
    }
    known_.clear();
}

bool SpellChecker::refreshPersonalList()
{
    std::lock_guard lock(mutex_);
    if (personalListStamp(personalListPath()) == personalStamp_)
        return false;
    loadPersonalList(personalListPath());
    return true;
}

void SpellChecker::addToPersonalList(const QString& word)
{
    const QString path = personalListPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder))
            throw AppError(QStringLiteral("Cannot create file %1").arg(path));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // What another instance added meanwhile stays: read, add, write as a new file renamed over.
    QStringList words = readPersonalList(path);
    if (!words.contains(word))
        words << word;
    // A new file renamed over the name: a link placed there is replaced, never written through
    // (QSaveFile would write to the link's target).
    QTemporaryFile out(folder + QStringLiteral("/.Personal Words.XXXXXX"));
    out.setAutoRemove(true);
    if (!out.open() || out.write(words.join(QLatin1Char('\n')).toUtf8() + '\n') < 0 ||
        !out.flush() || ::fsync(out.handle()) != 0 ||
        ::rename(QFile::encodeName(out.fileName()).constData(),
                 QFile::encodeName(path).constData()) != 0)
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
    out.setAutoRemove(false); // it has become the list
    // Every checker of this program takes the word now, whatever its language.
    std::vector<std::shared_ptr<SpellChecker>> checkers;
    {
        std::lock_guard lock(registryMutex());
        for (const std::weak_ptr<SpellChecker>& weak : registry())
            if (std::shared_ptr<SpellChecker> c = weak.lock())
                checkers.push_back(c);
    }
    for (const std::shared_ptr<SpellChecker>& c : checkers)
        c->refreshPersonalList();
    refreshPersonalList();
}
