#include "editor/spelling_as_you_type.h"

#include "core/settings_store.h"
#include "core/spell_checker.h"
#include "core/spelling_words.h"
#include "editor/margin_rich_edit.h"

#include <QLocale>

namespace {

// How far back a change's line looks for the tag, comment or script it may lie in.
constexpr long kResyncReach = 64 * 1024;
// How long the user must pause before the rest of the page is checked.
constexpr int kIdleMs = 400;
// How long after it is first wanted a dictionary starts loading (on a worker thread): the
// window's start-up and first paint go first.
constexpr int kLoadDelayMs = 200;
// Changed lines spanning more than this (a Replace All over the page) are checked where they
// are on screen at once and elsewhere by the worker while typing pauses.
constexpr long kRecheckNowLimit = 64 * 1024;

QList<TSpellingAsYouType*>& everyChecker()
{
    static QList<TSpellingAsYouType*> list;
    return list;
}

} // namespace

void TSpellingAsYouType::Range::grow(long position, long inserted, long deleted)
{
    if (from < 0) {
        from = position;
        to = position + inserted;
        return;
    }
    long end = to;
    if (end >= position + deleted)
        end += inserted - deleted;
    else if (end > position)
        end = position;
    from = qMin(from, position);
    to = qMax(end, position + inserted);
}

TSpellingAsYouType::TSpellingAsYouType(TMarginRichEdit& editor) : QObject(&editor), editor_(editor)
{
    everyChecker().append(this);
    for (QTimer* timer : {&changedTimer_, &visibleTimer_, &idleTimer_, &loadTimer_})
        timer->setSingleShot(true);
    changedTimer_.setInterval(0);
    loadTimer_.setInterval(kLoadDelayMs);
    connect(&loadTimer_, &QTimer::timeout, this, &TSpellingAsYouType::startLoading);
    visibleTimer_.setInterval(0);
    idleTimer_.setInterval(kIdleMs);
    connect(&changedTimer_, &QTimer::timeout, this, &TSpellingAsYouType::recheckChanged);
    connect(&visibleTimer_, &QTimer::timeout, this, &TSpellingAsYouType::checkVisible);
    connect(&idleTimer_, &QTimer::timeout, this, &TSpellingAsYouType::startBackgroundPass);
    connect(&editor_, &TMarginRichEdit::bytesChanged, this, &TSpellingAsYouType::onBytesChanged);
    connect(&editor_, &TMarginRichEdit::textReplaced, this, &TSpellingAsYouType::pageReplaced);
    connect(&editor_, &TMarginRichEdit::viewScrolled, this, [this] {
        if (enabled_ && checker_)
            visibleTimer_.start();
    });
}

TSpellingAsYouType::~TSpellingAsYouType()
{
    everyChecker().removeOne(this);
    stopWorker();
    stopLoading();
}

void TSpellingAsYouType::stopLoading()
{
    loadTimer_.stop();
    if (loader_.joinable())
        loader_.join();
}

void TSpellingAsYouType::stopWorker()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    cancel_ = false;
    passRunning_ = false;
}

void TSpellingAsYouType::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    resyncFor_ = -1; // edits went by unreported
    editor_.SetReportChanges(on);
    if (!on) {
        stopWorker();
        for (QTimer* timer : {&changedTimer_, &visibleTimer_, &idleTimer_, &loadTimer_})
            timer->stop();
        changed_ = {};
        passWanted_ = false;
        editor_.ClearSpellingMarks(0, editor_.ByteLength());
        return;
    }
    chooseDictionary();
    restart();
}

void TSpellingAsYouType::setChosenLanguage(const QString& dictionary)
{
    chosen_ = dictionary;
    if (!enabled_)
        return;
    const QString before = dictionary_;
    chooseDictionary();
    if (dictionary_ != before)
        restart();
}

void TSpellingAsYouType::chooseDictionary()
{
    const QStringList installed = SpellChecker::installedDictionaries();
    if (installed.isEmpty()) {
        dictionary_.clear();
        checker_.reset();
        static bool told = false;
        if (!told) {
            told = true;
            // After whatever is being set up now has had its say in the status line.
            QTimer::singleShot(0, this, [this] { Q_EMIT noDictionary(); });
        }
        return;
    }
    const QString page =
        pageLanguage(editor_.BytesBetween(0, qMin(64L * 1024, editor_.ByteLength())));
    dictionary_ = ::chooseDictionary(installed, page, chosen_, QLocale::system().name());
    if (checker_ && checker_->dictionary() == dictionary_)
        return;
    checker_ = SpellChecker::loaded(dictionary_);
    // Loading one takes longer than a start-up: a worker thread does it once the window is up
    // and waiting, and the page is checked when it is there.
    if (!checker_ && !loader_.joinable() && !loadTimer_.isActive())
        loadTimer_.start();
}

void TSpellingAsYouType::startLoading()
{
    if (!enabled_ || checker_ || dictionary_.isEmpty() || loader_.joinable())
        return;
    loader_ =
        std::thread([this, dictionary = dictionary_, personal = SpellChecker::personalListPath(),
                     folder = SpellChecker::dictionaryFolder()] {
            std::shared_ptr<SpellChecker> checker =
                SpellChecker::forLanguage(dictionary, personal, folder);
            QMetaObject::invokeMethod(
                this, [this, dictionary, checker] { dictionaryLoaded(dictionary, checker); },
                Qt::QueuedConnection);
        });
}

void TSpellingAsYouType::dictionaryLoaded(const QString& dictionary,
                                          const std::shared_ptr<SpellChecker>& checker)
{
    if (loader_.joinable())
        loader_.join();
    if (!enabled_ || checker_)
        return; // switched off meanwhile, or already waited for
    // The page's LANG or the user's choice may have changed while it loaded.
    chooseDictionary();
    if (checker_) {
        restart();
    } else if (!checker && dictionary == dictionary_) {
        // Its files went away between listing and loading, or Hunspell could not be opened:
        // nothing to check with.
        QString why;
        static bool told = false;
        if (!told && !SpellChecker::available(&why)) {
            told = true;
            Q_EMIT noSpellChecker(why);
        }
        loadTimer_.stop();
        dictionary_.clear();
        editor_.ClearSpellingMarks(0, editor_.ByteLength());
    }
}

bool TSpellingAsYouType::dictionaryLoading() const
{
    return enabled_ && !checker_ && !dictionary_.isEmpty();
}

void TSpellingAsYouType::pageReplaced()
{
    if (!enabled_)
        return;
    chooseDictionary();
    restart();
}

// Everything again: the shown lines now, the rest when the user pauses.
void TSpellingAsYouType::restart()
{
    stopWorker();
    changed_ = {};
    resyncFor_ = -1;
    ++generation_;
    if (!checker_) {
        if (dictionary_.isEmpty()) // while a dictionary loads the marks stay as they are
            editor_.ClearSpellingMarks(0, editor_.ByteLength());
        return;
    }
    checkVisible();
    passWanted_ = true;
    idleTimer_.start();
}

void TSpellingAsYouType::onBytesChanged(long position, long inserted, long deleted)
{
    if (position < resyncFor_)
        resyncFor_ = -1;
    if (!enabled_ || !checker_)
        return;
    changed_.grow(position, inserted, deleted);
    if (passRunning_)
        sinceSnapshot_.grow(position, inserted, deleted);
    if (!changedTimer_.isActive()) // a command's many edits are checked once, after it
        changedTimer_.start();
    if (passWanted_)
        idleTimer_.start(); // the pass waits for a pause
}

void TSpellingAsYouType::recheckChanged()
{
    if (changed_.empty())
        return;
    const auto [from, to] = editor_.LineBytesAround(changed_.from, changed_.to);
    changed_ = {};
    if (to - from <= kRecheckNowLimit) {
        checkRange(from, to);
        return;
    }
    const auto [shownFrom, shownTo] = editor_.VisibleBytes();
    checkRange(qMax(from, shownFrom), qMin(to, shownTo));
    // A pass already running read the page before this change: a new one replaces it.
    stopWorker();
    ++generation_;
    passWanted_ = true;
    idleTimer_.start();
}

void TSpellingAsYouType::checkVisible()
{
    if (!enabled_ || !checker_)
        return;
    const auto [from, to] = editor_.VisibleBytes();
    checkRange(from, to);
}

long TSpellingAsYouType::resyncPoint(long from)
{
    if (from == resyncFor_)
        return resyncAt_;
    const long windowStart = qMax(0L, from - kResyncReach);
    // A few bytes past `from`: a tag name before it may end there.
    const QByteArrayView window =
        editor_.BytesBetween(windowStart, qMin(editor_.ByteLength(), from + 16));
    const long at =
        windowStart + long(spellingResyncPoint(window, from - windowStart, kResyncReach));
    // Only a line start is kept: the search reads nothing after the line break before it, so
    // typing on the line leaves the answer as it is.
    if (from == 0 || editor_.BytesBetween(from - 1, from) == QByteArrayView("\n")) {
        resyncFor_ = from;
        resyncAt_ = at;
    }
    return at;
}

// Marks the words starting in [from, to); reading starts where the lines' context is known.
void TSpellingAsYouType::checkRange(long from, long to)
{
    if (!checker_ || to < from)
        return;
    const long windowStart = resyncPoint(from);
    // A little past the end, so a tag begun on the last line is read whole.
    const long windowEnd = qMin(editor_.ByteLength(), to + 4096);
    const QByteArrayView window = editor_.BytesBetween(windowStart, windowEnd);
    Marks marks;
    forEachSpellingWord(window, 0, to - windowStart, [&](const SpellWord& w) {
        if (w.start >= from - windowStart && !checker_->isCorrect(w.text))
            marks.emplace_back(windowStart + w.start, windowStart + w.end);
    });
    // Marks as they were ask for no repaint (and a key typed into a correct word changes none).
    if (editor_.SpellingMarksBetween(from, to) == marks)
        return;
    editor_.ClearSpellingMarks(from, to);
    for (const auto& [a, b] : marks)
        editor_.AddSpellingMark(a, b);
}

TSpellingAsYouType::Marks TSpellingAsYouType::misspelt(QByteArrayView page, SpellChecker& checker,
                                                       const std::atomic<bool>* cancel)
{
    Marks marks;
    forEachSpellingWord(page, 0, page.size(), [&](const SpellWord& w) {
        if (cancel && *cancel)
            return;
        if (!checker.isCorrect(w.text))
            marks.emplace_back(long(w.start), long(w.end));
    });
    return marks;
}

void TSpellingAsYouType::startBackgroundPass()
{
    if (!enabled_ || !checker_ || !passWanted_ || passRunning_)
        return;
    checker_->refreshPersonalList();
    passWanted_ = false;
    passRunning_ = true;
    sinceSnapshot_ = {};
    // A copy: the user types on while the worker reads.
    const TextRuns runs = editor_.EditorTextRuns();
    QByteArray snapshot;
    snapshot.reserve(runs.first.size() + runs.second.size());
    snapshot.append(runs.first).append(runs.second);
    const quint64 generation = ++generation_;
    worker_ = std::thread([this, generation, snapshot = std::move(snapshot), checker = checker_] {
        Marks marks = misspelt(snapshot, *checker, &cancel_);
        if (cancel_)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, length = snapshot.size(), marks = std::move(marks)]() mutable {
                applyBackgroundPass(generation, length, std::move(marks));
            },
            Qt::QueuedConnection);
    });
}

void TSpellingAsYouType::applyBackgroundPass(quint64 generation, qsizetype snapshotLength,
                                             Marks marks)
{
    if (generation != generation_ || !enabled_)
        return; // a pass given up on; its thread was joined then
    if (worker_.joinable())
        worker_.join();
    passRunning_ = false;
    const long length = editor_.ByteLength();
    // Edits made meanwhile were checked as they came; the pass keeps to the rest.
    long keepBefore = length, keepAfter = length, shift = 0;
    if (!sinceSnapshot_.empty()) {
        keepBefore = sinceSnapshot_.from;
        keepAfter = sinceSnapshot_.to;
        shift = length - long(snapshotLength);
    }
    editor_.ClearSpellingMarks(0, keepBefore);
    editor_.ClearSpellingMarks(keepAfter, length);
    for (const auto& [a, b] : marks) {
        if (b <= keepBefore)
            editor_.AddSpellingMark(a, b);
        else if (a + shift >= keepAfter)
            editor_.AddSpellingMark(a + shift, b + shift);
    }
    sinceSnapshot_ = {};
    Q_EMIT pageChecked();
}

bool TSpellingAsYouType::backgroundPending() const
{
    return passWanted_ || passRunning_ || dictionaryLoading(); // the pass follows the load
}

void TSpellingAsYouType::checkWholePageNow()
{
    if (dictionaryLoading()) {
        stopLoading();
        checker_ = SpellChecker::forLanguage(dictionary_);
    }
    if (!enabled_ || !checker_)
        return;
    stopWorker();
    passWanted_ = false;
    checkRange(0, editor_.ByteLength());
}

TSpellingAsYouType::MarkedWord TSpellingAsYouType::markedWordAt(long position) const
{
    const auto [markStart, markEnd] = editor_.SpellingMarkAt(position);
    if (markStart < 0)
        return {};
    const long windowStart = qMax(0L, markStart - kResyncReach);
    const QByteArrayView window =
        editor_.BytesBetween(windowStart, qMin(editor_.ByteLength(), markEnd + 4096));
    const qsizetype start = spellingResyncPoint(window, markStart - windowStart, kResyncReach);
    MarkedWord found;
    forEachSpellingWord(window, start, markEnd - windowStart, [&](const SpellWord& w) {
        if (windowStart + w.start == markStart) {
            found.text = w.text;
            found.start = markStart;
            found.end = windowStart + w.end;
            found.referenced = w.referenced;
            found.split = w.split;
        }
    });
    return found;
}

QStringList TSpellingAsYouType::suggestions(const QString& word) const
{
    return checker_ ? checker_->suggestions(word) : QStringList();
}

void TSpellingAsYouType::replaceWord(const MarkedWord& word, const QString& suggestion,
                                     bool singleBytePage)
{
    if (!word.isValid())
        return;
    QByteArray replacement = spellingReplacement(suggestion, singleBytePage, word.referenced);
    if (word.split) {
        // The inline tags inside the word stay, after it: "<B>re</B>cieve" becomes
        // "<B>receive</B>".
        const QByteArray old = editor_.BytesBetween(word.start, word.end).toByteArray();
        for (qsizetype open = old.indexOf('<'); open >= 0; open = old.indexOf('<', open + 1)) {
            const qsizetype close = old.indexOf('>', open);
            if (close < 0)
                break;
            replacement += old.mid(open, close - open + 1);
        }
    }
    editor_.ReplaceBytes(word.start, word.end, replacement);
}

void TSpellingAsYouType::addToDictionary(const QString& word)
{
    if (!checker_)
        return;
    checker_->addToPersonalList(word);
    for (TSpellingAsYouType* each : everyChecker())
        if (each->enabled_ && each->checker_)
            each->restart();
}

void TSpellingAsYouType::ignoreAll(const QString& word)
{
    if (!checker_)
        return;
    checker_->ignore(word);
    for (TSpellingAsYouType* each : everyChecker())
        if (each->enabled_ && each->checker_ == checker_)
            each->restart();
}
