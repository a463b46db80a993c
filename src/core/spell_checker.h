#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

struct Hunhandle;

// One Hunspell dictionary, plus the user's own words (a personal list in the settings folder,
// shared by every window and every running instance) and the words ignored this session.
// Safe to use from several threads.
class SpellChecker
{
public:
    ~SpellChecker();

    // Whether the Hunspell library could be opened (on the first call); if not, `why` says so
    // and no dictionary loads.
    static bool available(QString* why);

    // Where the system's dictionaries lie (Debian's hunspell-* packages).
    static QString dictionaryFolder();
    // Test seam: another folder in its place (an empty string restores it).
    static void setDictionaryFolder(const QString& folder);
    // Names of the installed dictionaries ("en_US", ...): each NAME.dic with its NAME.aff.
    static QStringList installedDictionaries(const QString& folder = dictionaryFolder());
    // The checker of that dictionary, made once per program; nullptr when it is not installed
    // or Hunspell is not available.
    // Loading a dictionary takes a while: any thread may call this (where the files lie is
    // read on the caller's thread).
    static std::shared_ptr<SpellChecker>
    forLanguage(const QString& dictionary, const QString& personalList = personalListPath(),
                const QString& folder = dictionaryFolder());
    // The checker of that dictionary if one is loaded already; never loads.
    static std::shared_ptr<SpellChecker> loaded(const QString& dictionary);
    // The personal word list: one word a line.
    static QString personalListPath();

    QString dictionary() const { return dictionary_; }
    bool isCorrect(const QString& word);
    // Up to `count` suggestions, best first.
    QStringList suggestions(const QString& word, int count = 8);
    // Adds the word to the personal list on disk and to every checker of this program.
    void addToPersonalList(const QString& word);
    // Accepts the word until the program ends.
    void ignore(const QString& word);
    // Takes in words another instance added to the personal list since it was last read.
    // True when the list changed.
    bool refreshPersonalList();

private:
    SpellChecker(const QString& dictionary, const QString& aff, const QString& dic,
                 const QString& personalList);
    QByteArray encode(const QString& word) const;
    QString decode(const char* word) const;
    void loadPersonalList(const QString& path);

    const QString dictionary_;
    Hunhandle* hunspell_ = nullptr;
    QByteArray encoding_; // the dictionary's, as its .aff file names it
    bool utf8_ = true;
    std::mutex mutex_;
    QHash<QString, bool> known_; // answers so far; most pages repeat their words
    QSet<QString> personal_;
    QSet<QString> ignored_;
    qint64 personalStamp_ = -1; // size and time of the list last read
};
