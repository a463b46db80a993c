#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

class SpellChecker;
class TMarginRichEdit;

// Checks the words of the editor's page as they are typed and marks the misspelt ones: what is
// on screen first, the rest of the page on a worker thread while the user is idle, and the
// changed lines after every edit.
class TSpellingAsYouType : public QObject
{
    Q_OBJECT
public:
    explicit TSpellingAsYouType(TMarginRichEdit& editor);
    ~TSpellingAsYouType() override;

    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    // The dictionary the user chose ("Spelling Language"); the page's LANG comes first.
    void setChosenLanguage(const QString& dictionary);
    // The dictionary in use; empty when none is installed.
    QString dictionary() const { return dictionary_; }

    // A marked word, read again from the page.
    struct MarkedWord
    {
        QString text;
        long start = -1;
        long end = -1;
        bool referenced = false;
        bool split = false;
        bool isValid() const { return start >= 0; }
    };
    MarkedWord markedWordAt(long position) const;
    QStringList suggestions(const QString& word) const;
    // Replaces the word with the suggestion as one undo step, in the form the page needs.
    void replaceWord(const MarkedWord& word, const QString& suggestion, bool singleBytePage);
    void addToDictionary(const QString& word);
    void ignoreAll(const QString& word);

    // Checks the whole page at once, on this thread (for tests, the command line's twin and
    // benchmarks); the worker is not used, and a dictionary still loading is waited for.
    void checkWholePageNow();
    // Whether the dictionary is being loaded (the marks stay as they are until it is).
    bool dictionaryLoading() const;
    // Whether a background pass is running or waiting (also for the dictionary).
    bool backgroundPending() const;

Q_SIGNALS:
    // Sent once per program when no dictionary is installed.
    void noDictionary();
    // Sent once per program when Hunspell itself could not be opened; `why` says so.
    void noSpellChecker(const QString& why);
    // A background pass put its marks on the page.
    void pageChecked();

private:
    struct Range
    {
        long from = -1;
        long to = -1;
        bool empty() const { return from < 0; }
        void grow(long position, long inserted, long deleted);
    };
    using Marks = std::vector<std::pair<long, long>>;

    void pageReplaced();
    void chooseDictionary();
    void startLoading();
    void dictionaryLoaded(const QString& dictionary, const std::shared_ptr<SpellChecker>& checker);
    void stopLoading();
    void restart();
    void onBytesChanged(long position, long inserted, long deleted);
    void checkRange(long from, long to);
    // Where reading must start for the words of the line starting at `from`.
    long resyncPoint(long from);
    void checkVisible();
    void recheckChanged();
    void startBackgroundPass();
    void applyBackgroundPass(quint64 generation, qsizetype snapshotLength, Marks marks);
    void stopWorker();
    static Marks misspelt(QByteArrayView page, SpellChecker& checker,
                          const std::atomic<bool>* cancel);

    TMarginRichEdit& editor_;
    bool enabled_ = false;
    QString chosen_;
    QString dictionary_;
    std::shared_ptr<SpellChecker> checker_;
    QTimer changedTimer_;
    QTimer visibleTimer_;
    QTimer idleTimer_;
    QTimer loadTimer_;
    std::thread loader_;
    Range changed_;       // edits not yet checked again
    Range sinceSnapshot_; // edits after the background pass took its copy
    // The last line start looked up and where its reading starts: it stays so while every edit
    // is at or after that line's start (the bytes before it decide).
    long resyncFor_ = -1;
    long resyncAt_ = -1;
    bool passWanted_ = false;
    bool passRunning_ = false;
    quint64 generation_ = 0;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
};
