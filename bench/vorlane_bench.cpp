// Vorlane's benchmark: every case against its baseline in the same run, pair by pair, medians
// compared as ratios. Prints a Markdown table and exits with 1 when a target is missed.
//
//   vorlane_bench [--runs N] [--process-runs N] [--only TEXT] [--keep-inputs DIR] [--load N]
#include "bench_harness.h"
#include "page_generator.h"

#include "app/main_form.h"
#include "check/check_panel.h"
#include "check/markup_child.h"
#include "check/page_check.h"
#include "check/site_check.h"
#include "core/document_codec.h"
#include "core/document_file.h"
#include "core/settings_store.h"
#include "core/spell_checker.h"
#include "core/spelling_words.h"
#include "editor/find_replace_dialogs.h"
#include "editor/margin_rich_edit.h"
#include "editor/spelling_as_you_type.h"
#include "page/body_properties_dialog.h"
#include "preview/live_preview_pane.h"
#include "site/find_in_files.h"
#include "site/link_rename.h"
#include "site/site_panel.h"
#include "support/scripted_prompter.h"
#include "wizards/table_generator_dialog.h"
#include "wizards/table_markup.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>
#include <hunspell.hxx>
#include <tidy.h>
#include <tidybuffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

using Bench::Row;
using Bench::Stopwatch;

namespace {

// Case names, as shown in the table and matched by --only.
const QString kStartUp = QStringLiteral("start-up to the main window shown (process)");
const QString kPeakMemory = QStringLiteral("peak memory with the 10 MB page open (process)");
const QString kOpen = QStringLiteral("open the 10 MB page (command, shown)");
const QString kSave = QStringLiteral("save the 10 MB page (command)");
const QString kFind = QStringLiteral("Find Next, only match at the end of 10 MB");
const QString kProperties = QStringLiteral("Web Page Properties reads title and BODY of 10 MB");
const QString kTyped = QStringLiteral("one typed character in the middle of 10 MB");
const QString kTableMarkup = QStringLiteral("table generator markup, 200 x 20 grid");
const QString kTableOk = QStringLiteral("table generator OK, 200 x 20 grid");
const QString kReplaceAll = QStringLiteral("Replace All of a common word in 10 MB");
const QString kOpenOneLine = QStringLiteral("open the 5 MB single-line page");
const QString kOpenOneLineFloor =
    QStringLiteral("open the 5 MB single-line page, against the bare component");
const QString kIdleOneLine =
    QStringLiteral("idle for 5 s, caret in the middle of the 5 MB single line");
const QString kTypedOneLine = QStringLiteral("typed character, 5 MB single line");
const QString kTypedOneLineFloor =
    QStringLiteral("typed character, 5 MB single line, against the bare component");
const QString kTypedOneLineWrap = QStringLiteral("typed character, 5 MB single line, word wrap on");
const QString kOpenHighlighted =
    QStringLiteral("open the 10 MB page, highlighting on (command, shown)");
const QString kEndHighlighted =
    QStringLiteral("Ctrl+End on the 10 MB page, highlighting on, repainted");
const QString kTypedEnd = QStringLiteral("one typed character at the end of 10 MB");
const QString kTypedRecovery =
    QStringLiteral("one typed character in the middle of 10 MB as its recovery copy is taken");
const QString kCheckPage = QStringLiteral("Check Page on the 10 MB page (command)");
const QString kCheckLinks = QStringLiteral("link check, 5,000 local links into 5,000 files");
const QString kStartUpPaneClosed =
    QStringLiteral("start-up with the live preview stored closed (process)");
const QString kTypedPaneOpen =
    QStringLiteral("typed character in the middle of 10 MB, live preview open");
const QString kPreviewLatency = QStringLiteral("live preview edit-to-render latency");
const QString kTypedSpelling =
    QStringLiteral("typed character in the middle of 10 MB, spelling on");
const QString kTypedEndSpelling =
    QStringLiteral("typed character at the end of 10 MB, spelling on");
const QString kCheckSite =
    QStringLiteral("Check Site, 2,000 pages with 40,000 links (Tidy in child processes)");
const QString kFindInFiles = QStringLiteral("Find in Files, 10,000 files / 100 MB, literal text");
const QString kSpellingPass = QStringLiteral("spelling: the whole 10 MB page checked");

struct Options
{
    int runs = 21;
    int processRuns = 21;
    QString only;
    QString inputs; // empty: a temporary folder
    int load = 0;   // busy processes started for the run
};

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

void say(const QString& text)
{
    out() << text << Qt::endl;
}

// A row judged on the whole process's processor time: its work goes to other threads too.
Row processCpu(Row row)
{
    row.measure = QStringLiteral("process CPU");
    return row;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The store every window and program of the benchmark starts from: nothing but the welcome
// window and Quick Start switched off.
void resetSettings()
{
    QFile::remove(settingsFilePath());
    WriteSetting(Setting::Welcome, QStringLiteral("N"));
    WriteSetting(Setting::QuickStart, QStringLiteral("N"));
}

// Lets the window do what the last command asked of it, painting included.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(300000);
    while (!done()) {
        if (deadline.hasExpired())
            qFatal("timed out waiting for the window");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// A shown main window past its start-up sequence, as the user meets it.
std::unique_ptr<TMainForm> startedForm()
{
    resetSettings();
    auto form = std::make_unique<TMainForm>();
    form->show();
    TMainForm* f = form.get();
    waitUntil([f] { return f->startupDone(); });
    settle();
    return form;
}

// A page open in another window of the run is first asked about ("already open"), and the
// scripted answer is Cancel: the window would stay empty and time nothing. Two windows showing
// the same page open it as "page.htm" and its copy "page-copy.htm" (page.htm must be one of the
// generated inputs).
void openThroughCommand(TMainForm& form, ScriptedPrompter& prompter, const QString& path)
{
    form.editor()->SetModifiedFlag(false); // nothing to ask before the page is replaced
    prompter.openAnswers.append({{path}, false});
    form.action("FileOpenItem")->trigger();
    if (form.editor()->ByteLength() == 0 && QFileInfo(path).size() > 0)
        qFatal("the window did not open %s", qPrintable(path));
}

// The spelling pass over a freshly opened page runs once, in the background, and ends here:
// it is not what the rows after an open measure.
void waitForSpellingPass(TMainForm& form)
{
    if (auto* spelling = form.findChild<TSpellingAsYouType*>())
        while (spelling->backgroundPending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    settle();
}

// Opening a page through the window's command, until it is shown.
double timedOpen(TMainForm& form, ScriptedPrompter& prompter, const QString& path)
{
    Stopwatch watch;
    openThroughCommand(form, prompter, path);
    settle();
    return watch.ms();
}

QByteArray readPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// The character position of the first (or last) occurrence of `needle` in the editor.
int positionOf(TMarginRichEdit* editor, const QByteArray& needle, bool last)
{
    qsizetype size = 0;
    const char* data = editor->EditorUtf8Data(&size);
    const QByteArrayView text(data, size);
    const qsizetype at = last ? text.lastIndexOf(needle) : text.indexOf(needle);
    if (at < 0)
        qFatal("benchmark page lacks %s", needle.constData());
    return editor->byteToChar(long(at));
}

void typeCharacter(QWidget* editor)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(editor, &press);
    QApplication::sendEvent(editor, &release);
}

// A markup command at `position` (with `selectLength` characters selected), timed up to the
// repaint it causes, then undone outside the timing.
double timedCommandAt(TMainForm& form, const QString& item, int position, int selectLength)
{
    TMarginRichEdit* editor = form.editor();
    editor->SetSelectionStart(position);
    editor->SetSelectionLength(selectLength);
    settle();
    Stopwatch watch;
    form.actionNamed(item)->trigger();
    settle();
    const double ms = watch.ms();
    editor->UndoLastEdit();
    settle();
    return ms;
}

double timedTypingAt(TMainForm& form, int position, Bench::Clock clock = Bench::Clock::Thread)
{
    TMarginRichEdit* editor = form.editor();
    editor->SetSelectionStart(position);
    settle();
    Stopwatch watch(clock);
    typeCharacter(editor);
    settle();
    const double ms = watch.ms();
    editor->UndoLastEdit();
    settle();
    return ms;
}

QList<QStringList> tableCells(int rows, int columns)
{
    QList<QStringList> cells;
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row.append(c == 0 ? QStringLiteral("Row %1").arg(r + 1)
                              : QStringLiteral("%1.%2 &amp; more").arg(r + 1).arg(c + 1));
        cells.append(row);
    }
    return cells;
}

// Where "<TITLE" and "<BODY" first stand, letter case ignored, in one pass over the bytes.
qsizetype firstTagsCaseBlind(QByteArrayView text)
{
    const auto at = [&](qsizetype i, const char* upper) {
        for (qsizetype k = 0; upper[k]; ++k) {
            if (i + k >= text.size())
                return false;
            const char c = text[i + k];
            if ((c >= 'a' && c <= 'z' ? c - 32 : c) != upper[k])
                return false;
        }
        return true;
    };
    qsizetype title = -1;
    qsizetype body = -1;
    const char* start = text.data();
    for (const char* p = start; body < 0 || title < 0;) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(text.size() - (p - start))));
        if (!p)
            break;
        const qsizetype i = p - start;
        if (title < 0 && at(i + 1, "TITLE"))
            title = i;
        else if (body < 0 && at(i + 1, "BODY"))
            body = i;
        ++p;
    }
    return title + body;
}

// The table text built the plainest way: one QString reserved once, appended to.
QString tableByAppends(const QList<QStringList>& cells)
{
    QString text;
    qsizetype size = 64;
    for (const QStringList& row : cells)
        for (const QString& cell : row)
            size += cell.size() + 16;
    text.reserve(size);
    text += QStringLiteral("<TABLE WIDTH=80% CELLPADDING=2 BORDER=1>\r\n");
    for (const QStringList& row : cells) {
        text += QStringLiteral("<TR>\r\n\r\n");
        for (const QString& cell : row) {
            text += QStringLiteral(" <TD>");
            text += cell;
            text += QStringLiteral("</TD>\r\n\r\n");
        }
        text += QStringLiteral("</TR>\r\n");
    }
    text += QStringLiteral("\r\n</TABLE>\r\n");
    return text;
}

TableSettings tableSettings()
{
    TableSettings settings;
    settings.width = QStringLiteral("80");
    settings.widthInPercent = true;
    settings.padding = QStringLiteral("2");
    settings.border = QStringLiteral("1");
    return settings;
}

// A table generator filled as the user would: 200 x 20 cells and the same settings.
std::unique_ptr<TInsTable> filledTableDialog(const QList<QStringList>& cells)
{
    auto dialog = std::make_unique<TInsTable>();
    dialog->Edit1->setText(QString::number(cells.size() - 1));
    dialog->SpinButton1UpClick();
    dialog->Edit2->setText(QString::number(cells.constFirst().size() - 1));
    dialog->SpinButton2UpClick();
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c)
            dialog->Table1->setItem(r, c, new QTableWidgetItem(cells[r][c]));
    dialog->Edit3->setText(QStringLiteral("80"));
    dialog->RadioButton2->setChecked(true);
    dialog->Edit4->setText(QStringLiteral("2"));
    dialog->Edit6->setText(QStringLiteral("1"));
    return dialog;
}

class BenchRun
{
public:
    BenchRun(const Options& options, const QString& folder) : options_(options), folder_(folder) {}

    int run();

private:
    bool wanted(const QString& name) const
    {
        return options_.only.isEmpty() || name.contains(options_.only, Qt::CaseInsensitive);
    }
    void add(Row row)
    {
        say(QStringLiteral("  %1: %2 vs %3 -> %4")
                .arg(row.name)
                .arg(row.ours, 0, 'f', 3)
                .arg(row.baseline, 0, 'f', 3)
                .arg(row.ratio(), 0, 'f', 2));
        rows_.append(std::move(row));
    }
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }
    // The same page under another name, for a second window showing it.
    static QString copyOf(const QString& page)
    {
        return page.chopped(4) + QStringLiteral("-copy.htm"); // page.htm: page-copy.htm
    }

    void generateInputs();
    void processCases();
    void documentCases();
    void editingCases();
    void replaceAllCase(TMainForm& form);
    void tableCases();
    void longLineCases();
    void highlightingCases();
    void checkCases();
    void spellingCases();
    void livePreviewCases();
    void siteCases();
    void sitePanelCases();

    Options options_;
    QString folder_;
    QList<Row> rows_;
    ScriptedPrompter prompter_;
};

void BenchRun::generateInputs()
{
    const struct
    {
        const char* name;
        QByteArray bytes;
    } inputs[] = {
        {"page-10k.htm", PageGenerator::page(10 * 1024)},
        {"page-10m.htm", PageGenerator::page(10 * 1024 * 1024)},
        {"page-5m-lines.htm", PageGenerator::page(5 * 1024 * 1024, 2)},
        {"page-5m-one-line.htm", PageGenerator::singleLinePage(5 * 1024 * 1024, 2)},
    };
    for (const auto& input : inputs) {
        writeBytes(path(QString::fromLatin1(input.name)), input.bytes);
        writeBytes(copyOf(path(QString::fromLatin1(input.name))), input.bytes);
        say(QStringLiteral("  %1: %2 bytes, %3 lines")
                .arg(QString::fromLatin1(input.name))
                .arg(input.bytes.size())
                .arg(input.bytes.count('\n') + (input.bytes.endsWith('\n') ? 0 : 1)));
    }
}

void BenchRun::processCases()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString vorlane = folder + QStringLiteral("/vorlane_startup_probe");
    const QString bare = folder + QStringLiteral("/vorlane_bare_probe");
    const QString page = path(QStringLiteral("page-10m.htm"));
    // Starting empty, the bare probe shows its editor as fresh settings set up ours.
    resetSettings();
    if (ReadSetting(Setting::Font) != QLatin1String("Arial") ||
        ReadSetting(Setting::FontSize) != QLatin1String("9") || !ReadFlag(Setting::Highlighting))
        qFatal("the bare probe no longer sets up its editor as the editor's fresh settings do");

    // Start-up is judged on the child's user and system time up to the moment it is ready
    // (the probes end there), the time to ready on the wall clock shown beside it.
    auto processPair = [&](const QStringList& arguments, bool memory,
                           bool paneStoredClosed = false) {
        QList<double> ours, base, oursWall, baseWall;
        auto one = [&](const QString& program, QList<double>& into, QList<double>& wall) {
            resetSettings(); // every start meets the same store
            if (paneStoredClosed)
                WriteFlag(Setting::LivePreview, false);
            const Bench::ProcessCost cost = Bench::runProcess(program, arguments);
            if (cost.exitCode != 0 || cost.readyMs <= 0)
                qFatal("%s exited with %d before it was ready", qPrintable(program), cost.exitCode);
            into.append(memory ? cost.peakMiB : cost.cpuMs);
            if (!memory)
                wall.append(cost.readyMs);
        };
        QList<double> warm;
        one(vorlane, warm, warm);
        one(bare, warm, warm);
        for (int i = 0; i < options_.processRuns; ++i) {
            if (i % 2) {
                one(bare, base, baseWall);
                one(vorlane, ours, oursWall);
            } else {
                one(vorlane, ours, oursWall);
                one(bare, base, baseWall);
            }
        }
        return Bench::fromRuns(ours, base, oursWall, baseWall);
    };
    auto processRow = [](Row row) {
        row.measure = QStringLiteral("process user+sys");
        return row;
    };

    if (wanted(kStartUp)) {
        const Bench::Medians m = processPair({}, false);
        add(processRow(Bench::row(kStartUp, QStringLiteral("ms"), m, 1.2,
                                  QStringLiteral("bare QMainWindow + QsciScintilla"))));
    }
    if (wanted(kStartUpPaneClosed)) {
        const Bench::Medians m = processPair({}, false, true);
        add(processRow(Bench::row(kStartUpPaneClosed, QStringLiteral("ms"), m, 1.5,
                                  QStringLiteral("bare QMainWindow + QsciScintilla"))));
    }
    if (wanted(kPeakMemory)) {
        const Bench::Medians m = processPair({page}, true);
        add(Bench::row(kPeakMemory, QStringLiteral("MiB"), m, 1.1,
                       QStringLiteral("bare QsciScintilla, no undo copy, no change notices")));
    }
}

void BenchRun::documentCases()
{
    const QString big = path(QStringLiteral("page-10m.htm"));
    auto form = startedForm();
    TMarginRichEdit* editor = form->editor();

    // The bare editor gets the same size as ours, so both paint the same area.
    QsciScintilla bare;
    bare.resize(editor->size());
    bare.SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
    bare.show();
    settle();

    if (wanted(kOpen)) {
        const Bench::Medians m = Bench::measurePair(
            [&] { return timedOpen(*form, prompter_, big); },
            [&] {
                Stopwatch watch;
                const QByteArray bytes = readPage(big);
                bare.SendScintilla(QsciScintillaBase::SCI_CLEARALL);
                bare.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                                   static_cast<unsigned long>(bytes.size()), bytes.constData());
                settle();
                return watch.ms();
            },
            options_.runs);
        add(Bench::row(kOpen, QStringLiteral("ms"), m, 1.2,
                       QStringLiteral("readAll + append into a bare QsciScintilla")));
    }
    bare.SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    bare.hide();

    if (editor->TextLength() == 0)
        openThroughCommand(*form, prompter_, big);
    settle();

    if (wanted(kSave)) {
        const QString ours = path(QStringLiteral("saved-ours.htm"));
        const QString base = path(QStringLiteral("saved-baseline.htm"));
        form->SetDocumentName(ours);
        qsizetype encodedSize = 0;
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch;
                form->action("FileSaveItem")->trigger();
                return watch.ms();
            },
            [&] {
                // The durable floor of the same work: the text encoded for the file (line ends
                // and all), then a temporary file, one write, data synced, rename.
                Stopwatch watch;
                const QByteArray encoded =
                    encodeDocument(editor->EditorUtf8(), form->documentFormat());
                encodedSize = encoded.size();
                QSaveFile file(base);
                if (!file.open(QIODevice::WriteOnly) || file.write(encoded) != encoded.size() ||
                    !file.commit())
                    qFatal("cannot write the baseline file");
                return watch.ms();
            },
            options_.runs);
        if (QFile(ours).size() != encodedSize)
            say(QStringLiteral("  WARNING: the saved page differs in size from the baseline"));
        add(Bench::row(kSave, QStringLiteral("ms"), m, 1.3,
                       QStringLiteral("the page encoded, then QSaveFile (write, sync, rename)")));
    }

    if (wanted(kFind)) {
        const QString phrase = QString::fromLatin1(PageGenerator::kFooterPhrase);
        const QString text = editor->EditorText();
        if (text.indexOf(phrase, 0, Qt::CaseInsensitive) !=
            text.lastIndexOf(phrase, -1, Qt::CaseInsensitive))
            qFatal("the phrase searched for must stand only once in the page");
        const QByteArray needle = phrase.toUtf8();
        const auto fold = [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
        const auto foldedHash = [fold](char c) { return std::hash<char>()(fold(c)); };
        const auto sameFolded = [fold](char a, char b) { return fold(a) == fold(b); };
        const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end(), foldedHash,
                                                          sameFolded);
        form->findDialog()->SetFindText(phrase);
        qsizetype sink = 0;
        const Bench::Medians m = Bench::measurePair(
            [&] {
                editor->SetSelectionStart(0);
                settle();
                Stopwatch watch;
                form->findDialog()->FindNextButton->click();
                settle();
                const double ms = watch.ms();
                if (editor->SelectedText() != phrase)
                    qFatal("Find Next did not select the phrase");
                return ms;
            },
            [&] {
                qsizetype size = 0;
                const char* bytes = editor->EditorUtf8Data(&size);
                Stopwatch watch;
                sink += std::search(bytes, bytes + size, searcher) - bytes;
                return watch.ms();
            },
            options_.runs);
        Q_UNUSED(sink);
        add(Bench::row(kFind, QStringLiteral("ms"), m, 1.3,
                       QStringLiteral("Boyer-Moore-Horspool over the bytes, case folded")));
    }

    if (wanted(kProperties)) {
        prompter_.onDialog(QStringLiteral("TBodyProperties"), [](QDialog& d) { d.reject(); });
        qsizetype sink = 0;
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch;
                form->action("Document1")->trigger();
                settle();
                return watch.ms();
            },
            [&] {
                // The same dialog, filled and closed the same way, after one forward pass.
                qsizetype size = 0;
                const char* bytes = editor->EditorUtf8Data(&size);
                Stopwatch watch;
                sink += firstTagsCaseBlind(QByteArrayView(bytes, size));
                TBodyProperties dialog(form.get());
                dialog.setFields(QStringLiteral("t"), QStringList(6));
                prompter_.exec(dialog);
                settle();
                return watch.ms();
            },
            options_.runs);
        Q_UNUSED(sink);
        add(Bench::row(kProperties, QStringLiteral("ms"), m, 1.3,
                       QStringLiteral("one forward pass for <TITLE and <BODY + the same dialog")));
    }
    if (wanted(kReplaceAll))
        replaceAllCase(*form);
    if (!prompter_.errors.isEmpty())
        say(QStringLiteral("  WARNING: errors shown: ") +
            prompter_.errors.join(QLatin1String("; ")));
}

void BenchRun::replaceAllCase(TMainForm& form)
{
    TMarginRichEdit* editor = form.editor();
    const QByteArray word("tickets");
    const QByteArray replacement("seats");
    QsciScintilla bare;
    // As the editor does while no assistive technology listens: no change notices, which
    // QScintilla would otherwise turn into a count from the top of the page on every edit.
    bare.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0L);
    // The same styling work: with highlighting on, the repaint at the page's end styles it all.
    QsciLexerHTML lexer;
    if (editor->Highlighting())
        bare.setLexer(&lexer);
    bare.resize(editor->size());
    bare.show();
    {
        const QByteArray bytes = editor->EditorUtf8();
        bare.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                           static_cast<unsigned long>(bytes.size()), bytes.constData());
        bare.SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    }
    const auto fold = [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    const auto foldedHash = [fold](char c) { return std::hash<char>()(fold(c)); };
    const auto sameFolded = [fold](char a, char b) { return fold(a) == fold(b); };
    const std::boyer_moore_horspool_searcher searcher(word.begin(), word.end(), foldedHash,
                                                      sameFolded);
    form.replaceDialog()->SetFindText(QString::fromLatin1(word));
    form.replaceDialog()->SetReplaceText(QString::fromLatin1(replacement));
    int hits = 0;
    const Bench::Medians m = Bench::measurePair(
        [&] {
            editor->SetSelectionStart(0);
            settle();
            Stopwatch watch;
            form.replaceDialog()->ReplaceAllButton->click();
            settle();
            const double ms = watch.ms();
            editor->UndoLastEdit();
            settle();
            return ms;
        },
        [&] {
            Stopwatch watch;
            const auto* text = reinterpret_cast<const char*>(
                bare.SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
            const char* end = text + bare.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
            QList<long> found;
            for (const char* p = std::search(text, end, searcher); p != end;
                 p = std::search(p + word.size(), end, searcher))
                found.append(long(p - text));
            bare.SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
            for (qsizetype i = found.size() - 1; i >= 0; --i) {
                bare.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, found[i],
                                   found[i] + long(word.size()));
                bare.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                                   static_cast<unsigned long>(replacement.size()),
                                   replacement.constData());
            }
            bare.SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
            settle();
            const double ms = watch.ms();
            hits = int(found.size());
            bare.SendScintilla(QsciScintillaBase::SCI_UNDO);
            return ms;
        },
        qMin(options_.runs, 11));
    say(QStringLiteral("  Replace All: %1 hits of \"%2\"")
            .arg(hits)
            .arg(QString::fromLatin1(word)));
    add(Bench::row(
        kReplaceAll, QStringLiteral("ms"), m, 1.3,
        QStringLiteral(
            "byte pre-scan + back-to-front replace in a bare QsciScintilla, same lexer")));
}

void BenchRun::editingCases()
{
    auto big = startedForm();
    auto small = startedForm();
    openThroughCommand(*big, prompter_, path(QStringLiteral("page-10m.htm")));
    openThroughCommand(*small, prompter_, path(QStringLiteral("page-10k.htm")));
    settle();

    const struct
    {
        const char* item;
        const char* label;
        bool selectWord;
    } commands[] = {
        {"Bold1", "Bold on a selected word", true},
        {"QuickTable2", "Quick Table", false},
        {"LineBreak1", "Line Break", false},
        {"Copyright1", "entity (Copyright)", false},
    };
    const QByteArray word = QByteArray("Quillbridge");
    for (const auto& command : commands) {
        const QString name =
            QStringLiteral("%1 at the end of 10 MB").arg(QString::fromLatin1(command.label));
        if (!wanted(name))
            continue;
        const QString item = QString::fromLatin1(command.item);
        auto side = [&](TMainForm& form) {
            const QByteArray anchor = command.selectWord ? word : QByteArray("</BODY>");
            const int at = positionOf(form.editor(), anchor, true);
            return timedCommandAt(form, item, at, command.selectWord ? int(word.size()) : 0);
        };
        const Bench::Medians m = Bench::measurePair([&] { return side(*big); },
                                                    [&] { return side(*small); }, options_.runs);
        add(Bench::row(name, QStringLiteral("ms"), m, 1.5,
                       QStringLiteral("same on the 10 KB page")));
    }

    if (wanted(kTypedEnd)) {
        auto side = [&](TMainForm& form) {
            return timedTypingAt(form, positionOf(form.editor(), QByteArray("</BODY>"), true));
        };
        const Bench::Medians m = Bench::measurePair([&] { return side(*big); },
                                                    [&] { return side(*small); }, options_.runs);
        add(Bench::row(kTypedEnd, QStringLiteral("ms"), m, 2.0,
                       QStringLiteral("same on the 10 KB page")));
    }
    if (wanted(kTyped)) {
        const Bench::Medians m = Bench::measurePair(
            [&] { return timedTypingAt(*big, big->editor()->TextLength() / 2); },
            [&] { return timedTypingAt(*small, small->editor()->TextLength() / 2); },
            options_.runs);
        add(Bench::row(kTyped, QStringLiteral("ms"), m, 1.5,
                       QStringLiteral("same on the 10 KB page")));
    }
    if (wanted(kTypedRecovery)) {
        // The worst keystroke with recovery on: the one right after the copy's timer fired.
        // The writer's thread keeps its own copy of the text (sent over in pieces between
        // events after the first change, here all at once) and writes it while the key is
        // typed.
        auto side = [&](TMainForm& form) {
            TMarginRichEdit* editor = form.editor();
            editor->SetSelectionStart(editor->TextLength() / 2);
            typeCharacter(editor);
            form.writeRecoveryCopyNow(true);
            settle();
            // The copy is written on the writer's thread, beside the typing: what this row asks
            // is what the key costs the window's thread (the writer's work is in the wall time).
            Stopwatch watch;
            form.writeRecoveryCopyNow();
            typeCharacter(editor);
            settle();
            const double ms = watch.ms();
            editor->UndoLastEdit();
            editor->UndoLastEdit();
            form.writeRecoveryCopyNow(true);
            settle();
            return ms;
        };
        const Bench::Medians m = Bench::measurePair([&] { return side(*big); },
                                                    [&] { return side(*small); }, options_.runs);
        add(Bench::row(kTypedRecovery, QStringLiteral("ms"), m, 3.0,
                       QStringLiteral("same on the 10 KB page")));
    }
    if (!prompter_.errors.isEmpty())
        say(QStringLiteral("  WARNING: errors shown: ") +
            prompter_.errors.join(QLatin1String("; ")));
}

void BenchRun::tableCases()
{
    const QList<QStringList> cells = tableCells(200, 20);
    const QString expected = tableByAppends(cells);
    if (buildTableMarkup(tableSettings(), cells) != expected)
        say(QStringLiteral("  WARNING: the table builder's text differs from the baseline's"));

    qsizetype sink = 0;
    if (wanted(kTableMarkup)) {
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch;
                sink += buildTableMarkup(tableSettings(), cells).size();
                return watch.ms();
            },
            [&] {
                Stopwatch watch;
                sink += tableByAppends(cells).size();
                return watch.ms();
            },
            options_.runs);
        add(Bench::row(kTableMarkup, QStringLiteral("ms"), m, 3.0,
                       QStringLiteral("one QString::reserve and appends")));
    }
    if (wanted(kTableOk)) {
        const Bench::Medians m = Bench::measurePair(
            [&] {
                auto dialog = filledTableDialog(cells);
                Stopwatch watch;
                dialog->BitBtn1->click();
                const double ms = watch.ms();
                if (dialog->collectedText() != expected)
                    qFatal("the table generator built another table");
                return ms;
            },
            [&] {
                // The same grid read back, then the same string built.
                auto dialog = filledTableDialog(cells);
                Stopwatch watch;
                QList<QStringList> read;
                for (int r = 0; r < dialog->Table1->rowCount(); ++r) {
                    QStringList row;
                    for (int c = 0; c < dialog->Table1->columnCount(); ++c)
                        row.append(dialog->Table1->item(r, c)->text());
                    read.append(row);
                }
                sink += tableByAppends(read).size();
                return watch.ms();
            },
            options_.runs);
        add(Bench::row(kTableOk, QStringLiteral("ms"), m, 3.0,
                       QStringLiteral("the grid's cells read + one QString::reserve and appends")));
    }
    Q_UNUSED(sink);
}

// A minified page: the whole 5 MB on one line. Opening and typing are compared with the same
// page in short lines; typing also with a bare QsciScintilla showing the same line as the
// editor does (its first 100,000 bytes drawn, the rest in an invisible style), which is
// Scintilla's own walk of the line on every edit and repaint. An idle window must not burn
// the processor.
namespace {
// A bare QsciScintilla set up to show a page as the editor's fresh settings show plain text:
// Arial 9, UTF-8, no change notices.
std::unique_ptr<QsciScintilla> bareOneLine(const QSize& size)
{
    auto bare = std::make_unique<QsciScintilla>();
    bare->resize(size);
    bare->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0L);
    bare->SendScintilla(QsciScintillaBase::SCI_SETCODEPAGE, long(QsciScintillaBase::SC_CP_UTF8));
    bare->SendScintilla(QsciScintillaBase::SCI_STYLESETFONT, long(QsciScintillaBase::STYLE_DEFAULT),
                        "Arial");
    bare->SendScintilla(QsciScintillaBase::SCI_STYLESETSIZE, long(QsciScintillaBase::STYLE_DEFAULT),
                        9L);
    bare->SendScintilla(QsciScintillaBase::SCI_STYLECLEARALL);
    return bare;
}

// The page appended, and every line's part past the first 100,000 bytes in an invisible style,
// as the editor shows a line too long to draw; with a lexer, the lexer runs up to each cut.
void showAsTheEditorDoes(QsciScintilla& bare, const QByteArray& bytes)
{
    const bool lexed = bare.lexer() != nullptr;
    constexpr long kShown = TMarginRichEdit::kLongLineDisplayLimit;
    constexpr long kHidden = 200;
    bare.SendScintilla(QsciScintillaBase::SCI_STYLESETVISIBLE, kHidden, 0L);
    bare.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()),
                       bytes.constData());
    for (qsizetype line = 0; line < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', line);
        if (end < 0)
            end = bytes.size();
        if (end - line > kShown) {
            if (lexed)
                bare.SendScintilla(QsciScintillaBase::SCI_COLOURISE, long(line),
                                   long(line + kShown));
            bare.SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, long(line + kShown), 0L);
            bare.SendScintilla(QsciScintillaBase::SCI_SETSTYLING,
                               static_cast<unsigned long>(end - line - kShown), kHidden);
        } else if (lexed) {
            bare.SendScintilla(QsciScintillaBase::SCI_COLOURISE, long(line), long(end));
        }
        line = end + 1;
    }
    if (lexed) // styled as far as it is shown
        bare.SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, long(bytes.size()), 0L);
}
} // namespace

void BenchRun::longLineCases()
{
    const QString oneLine = path(QStringLiteral("page-5m-one-line.htm"));
    const QString lines = path(QStringLiteral("page-5m-lines.htm"));
    auto single = startedForm();
    auto normal = startedForm();
    const int runs = qMin(options_.runs, 7);

    if (wanted(kOpenOneLine)) {
        const Bench::Medians m =
            Bench::measurePair([&] { return timedOpen(*single, prompter_, oneLine); },
                               [&] { return timedOpen(*normal, prompter_, lines); }, runs);
        // Scintilla lays the one line out whole, which alone costs several times the short
        // lines' page: shown, while the floor row below holds the verdict.
        Row row = Bench::row(kOpenOneLine, QStringLiteral("ms"), m, 3.0,
                             QStringLiteral("5 MB page of short lines"));
        row.counted = false;
        add(std::move(row));
    }
    if (wanted(kOpenOneLineFloor)) {
        // Highlighting is on, as in the editor: the lexer styles the part that is shown.
        auto bare = bareOneLine(single->editor()->size());
        QsciLexerHTML lexer;
        const QFont font(QStringLiteral("Arial"), 9);
        lexer.setDefaultFont(font);
        lexer.setFont(font);
        bare->setLexer(&lexer);
        bare->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
        bare->show();
        settle();
        const Bench::Medians m =
            Bench::measurePair([&] { return timedOpen(*single, prompter_, oneLine); },
                               [&] {
                                   Stopwatch watch;
                                   const QByteArray bytes = readPage(oneLine);
                                   bare->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
                                   showAsTheEditorDoes(*bare, bytes);
                                   settle();
                                   return watch.ms();
                               },
                               runs);
        add(Bench::row(kOpenOneLineFloor, QStringLiteral("ms"), m, 1.2,
                       QStringLiteral("readAll + append into a bare QsciScintilla with "
                                      "QsciLexerHTML showing the line as the editor does")));
        bare->setLexer(nullptr);
    }
    if (single->editor()->TextLength() == 0)
        openThroughCommand(*single, prompter_, oneLine);
    if (normal->editor()->TextLength() == 0)
        openThroughCommand(*normal, prompter_, lines);
    settle();
    for (TMainForm* form : {single.get(), normal.get()})
        waitForSpellingPass(*form);
    TMarginRichEdit* editor = single->editor();

    if (wanted(kIdleOneLine)) {
        // The caret where the typing rows put it, in a focused editor, so that it would blink.
        editor->SetSelectionStart(editor->TextLength() / 2);
        single->activateWindow();
        editor->setFocus();
        settle();
        if (!editor->hasFocus())
            editor->SendScintilla(QsciScintillaBase::SCI_SETFOCUS, 1L);
        constexpr int kIdleMs = 5000;
        QList<double> idle, wall;
        for (int i = 0; i < 3; ++i) {
            Stopwatch watch(Bench::Clock::Process);
            // The event loop waits as the window's own does.
            QEventLoop loop;
            QTimer::singleShot(kIdleMs, &loop, &QEventLoop::quit);
            loop.exec();
            idle.append(watch.ms());
            wall.append(Stopwatch::lastWallMs());
        }
        Bench::Medians m = Bench::fromRuns(idle, {double(kIdleMs)}, wall, {double(kIdleMs)});
        m.baselineSpread = {};
        Row row = Bench::row(kIdleOneLine, QStringLiteral("ms"), m, 0.01,
                             QStringLiteral("5 s of one core (at most 1 % of it)"));
        row.measure = QStringLiteral("process CPU");
        add(std::move(row));
    }

    const auto typedAtMiddle = [&](TMainForm& form) {
        return timedTypingAt(form, form.editor()->TextLength() / 2);
    };
    if (wanted(kTypedOneLine)) {
        const Bench::Medians m = Bench::measurePair([&] { return typedAtMiddle(*single); },
                                                    [&] { return typedAtMiddle(*normal); }, runs);
        // Scintilla lays the line out whole on every edit: shown, the floor row holds the
        // verdict.
        Row row = Bench::row(kTypedOneLine, QStringLiteral("ms"), m, 15.0,
                             QStringLiteral("same on the 5 MB page of short lines"));
        row.counted = false;
        add(std::move(row));
    }
    if (wanted(kTypedOneLineFloor)) {
        auto bare = bareOneLine(editor->size());
        showAsTheEditorDoes(*bare, editor->EditorUtf8());
        bare->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
        bare->show();
        settle();
        // Each side is typed into as a user types: in the active window, focused.
        const auto focus = [](QWidget* window, QWidget* widget) {
            window->activateWindow();
            widget->setFocus();
            settle();
        };
        const auto bareTyped = [&] {
            focus(bare.get(), bare.get());
            const long at = long(bare->SendScintilla(QsciScintillaBase::SCI_GETLENGTH)) / 2;
            bare->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, at);
            settle();
            Stopwatch watch;
            typeCharacter(bare.get());
            settle();
            const double ms = watch.ms();
            bare->SendScintilla(QsciScintillaBase::SCI_UNDO);
            settle();
            return ms;
        };
        const Bench::Medians m = Bench::measurePair(
            [&] {
                focus(single.get(), editor);
                return typedAtMiddle(*single);
            },
            bareTyped, runs);
        add(Bench::row(kTypedOneLineFloor, QStringLiteral("ms"), m, 1.2,
                       QStringLiteral("the same key in a bare QsciScintilla showing the line as "
                                      "the editor does")));
    }
    if (wanted(kTypedOneLineWrap)) {
        single->editor()->SetWordWrap(true);
        normal->editor()->SetWordWrap(true);
        settle();
        const Bench::Medians m = Bench::measurePair([&] { return typedAtMiddle(*single); },
                                                    [&] { return typedAtMiddle(*normal); }, runs);
        Row row = Bench::row(kTypedOneLineWrap, QStringLiteral("ms"), m, 15.0,
                             QStringLiteral("same on the 5 MB page of short lines"));
        row.counted = false;
        add(std::move(row));
        single->editor()->SetWordWrap(false);
        normal->editor()->SetWordWrap(false);
    }
}

// The editor with its highlighting, line numbers and folding against a bare QsciScintilla
// doing the same with QScintilla's HTML lexer.
void BenchRun::highlightingCases()
{
    if (!wanted(kOpenHighlighted) && !wanted(kEndHighlighted))
        return;
    const QString big = path(QStringLiteral("page-10m.htm"));
    auto form = startedForm();
    TMarginRichEdit* editor = form->editor();
    if (!editor->Highlighting() || !editor->LineNumbers())
        qFatal("highlighting and line numbers must be on by default");
    QsciScintilla bare;
    QsciLexerHTML lexer;
    bare.setLexer(&lexer);
    bare.resize(editor->size());
    bare.SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
    bare.show();
    settle();
    auto loadBare = [&] {
        const QByteArray bytes = readPage(big);
        bare.SendScintilla(QsciScintillaBase::SCI_CLEARALL);
        bare.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                           static_cast<unsigned long>(bytes.size()), bytes.constData());
    };

    if (wanted(kOpenHighlighted)) {
        const Bench::Medians m =
            Bench::measurePair([&] { return timedOpen(*form, prompter_, big); },
                               [&] {
                                   Stopwatch watch;
                                   loadBare();
                                   settle();
                                   return watch.ms();
                               },
                               options_.runs);
        add(Bench::row(
            kOpenHighlighted, QStringLiteral("ms"), m, 1.3,
            QStringLiteral("readAll + append into a bare QsciScintilla with QsciLexerHTML")));
    }

    if (wanted(kEndHighlighted)) {
        if (editor->TextLength() == 0)
            openThroughCommand(*form, prompter_, big);
        loadBare();
        settle();
        // From the top of a page nothing below the first screen of is styled yet, so the jump
        // pays for styling the whole page, as it does right after opening it.
        auto jump = [](QsciScintillaBase& target) {
            target.SendScintilla(QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
            target.SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, 0L, 0L); // nothing styled
            target.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0L);
            settle();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_End, Qt::ControlModifier);
            Stopwatch watch;
            QApplication::sendEvent(&target, &press);
            QApplication::sendEvent(&target, &release);
            settle();
            const double ms = watch.ms();
            if (target.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS) !=
                target.SendScintilla(QsciScintillaBase::SCI_GETLENGTH))
                qFatal("Ctrl+End did not reach the end of the page");
            return ms;
        };
        const Bench::Medians m = Bench::measurePair([&] { return jump(*editor); },
                                                    [&] { return jump(bare); }, options_.runs);
        add(Bench::row(kEndHighlighted, QStringLiteral("ms"), m, 1.3,
                       QStringLiteral("the same keys in a bare QsciScintilla with QsciLexerHTML")));
    }
}

namespace {
Bool TIDY_CALL silentTidy(TidyMessage)
{
    return no;
}

// Tidy's own library on the same bytes, with the options and steps the page check gives it.
double tidyParseOnly(const QByteArray& bytes, Bench::Clock clock)
{
    Stopwatch watch(clock);
    TidyDoc doc = tidyCreate();
    tidySetMessageCallback(doc, silentTidy);
    tidySetInCharEncoding(doc, "utf8");
    tidyOptSetBool(doc, TidyQuiet, yes);
    tidyOptSetBool(doc, TidyShowMarkup, no);
    tidyOptSetBool(doc, TidyShowInfo, no);
    tidyOptSetInt(doc, TidyTabSize, 1);
    TidyBuffer input;
    tidyBufInit(&input);
    tidyBufAttach(&input, reinterpret_cast<byte*>(const_cast<char*>(bytes.constData())),
                  uint(bytes.size()));
    if (tidyParseBuffer(doc, &input) >= 0 && tidyCleanAndRepair(doc) >= 0)
        tidyRunDiagnostics(doc);
    tidyBufDetach(&input);
    tidyRelease(doc);
    return watch.ms();
}
} // namespace

void BenchRun::checkCases()
{
    const int runs = qMin(options_.runs, 7); // seconds each
    if (wanted(kCheckPage)) {
        auto form = startedForm();
        openThroughCommand(*form, prompter_, path(QStringLiteral("page-10m.htm")));
        waitForSpellingPass(*form);
        const QByteArray bytes = form->editor()->EditorUtf8();
        if (PageCheck::declaresDoctype(bytes) == false)
            qFatal("the benchmark page should declare HTML 3.2");
        const Bench::Medians m = Bench::measurePair(
            [&] {
                // Tidy runs in a child process: its time counts once it has ended.
                Stopwatch watch(Bench::Clock::Process);
                form->action("CheckPage1")->trigger();
                // Waits idle, as the window does: a busy wait would take a core from the check.
                QEventLoop loop;
                QObject::connect(form->CheckPanel, &TCheckPanel::finished, &loop,
                                 &QEventLoop::quit);
                if (form->CheckPanel->running())
                    loop.exec();
                settle();
                return watch.ms();
            },
            [&] { return tidyParseOnly(bytes, Bench::Clock::Process); }, runs);
        Row row =
            Bench::row(kCheckPage, QStringLiteral("ms"), m, 1.3,
                       QStringLiteral("Tidy's own parse and diagnostics, same bytes and options"));
        row.measure = QStringLiteral("process + child CPU");
        add(std::move(row));
    }
    if (wanted(kCheckLinks)) {
        const QString site = path(QStringLiteral("site"));
        QDir().mkpath(site);
        QByteArray page = "<HTML><HEAD><TITLE>Links</TITLE></HEAD><BODY>\n";
        QStringList names;
        for (int i = 0; i < 5000; ++i) {
            const QString name = QStringLiteral("page%1.htm").arg(i, 4, 10, QLatin1Char('0'));
            names.append(name);
            writeBytes(site + QLatin1Char('/') + name, "x");
            page += "<A HREF=\"" + name.toUtf8() + "\">" + QByteArray::number(i) + "</A><BR>\n";
        }
        page += "</BODY></HTML>\n";
        const QString pageFile = site + QStringLiteral("/index.htm");
        qsizetype sink = 0;
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch;
                const QList<PageCheck::Finding> found = PageCheck::checkLinks(page, pageFile);
                const double ms = watch.ms();
                if (!found.isEmpty())
                    qFatal("the link check found faults in a sound site");
                return ms;
            },
            [&] {
                Stopwatch watch;
                for (const QString& name : std::as_const(names))
                    sink += QFileInfo::exists(site + QLatin1Char('/') + name);
                return watch.ms();
            },
            options_.runs);
        Q_UNUSED(sink);
        add(Bench::row(kCheckLinks, QStringLiteral("ms"), m, 1.5,
                       QStringLiteral("5,000 QFileInfo::exists")));
    }
}

// Waits for the pane's next render; false when it failed.
bool waitForRender(TLivePreviewPane* pane)
{
    bool done = false;
    bool ok = false;
    const auto connection = QObject::connect(pane, &TLivePreviewPane::rendered, [&](bool r) {
        done = true;
        ok = r;
    });
    waitUntil([&] { return done; });
    QObject::disconnect(connection);
    return ok;
}

std::unique_ptr<TMainForm> formWithPreview(const QString& page, ScriptedPrompter& prompter)
{
    auto form = startedForm();
    openThroughCommand(*form, prompter, page);
    settle(); // the page is in the editor and drawn before the pane opens
    form->action("LivePreview1")->trigger();
    if (!form->LivePreviewPane || !waitForRender(form->LivePreviewPane))
        qFatal("the live preview did not render: %s",
               form->LivePreviewPane ? qPrintable(form->LivePreviewPane->failure()) : "no pane");
    settle();
    return form;
}

// From a typed character to the engine's report that the page with it is drawn, the pause
// before a render included; the undo is drawn outside the timing. The character goes at the
// end of the paragraph around the middle of the page (shown by patching that paragraph), or
// before </BODY> (between elements: the page is drawn whole).
double editToRender(TMainForm& form, bool insideParagraph)
{
    TMarginRichEdit* editor = form.editor();
    if (insideParagraph) {
        const QString text = editor->EditorText();
        editor->SetSelectionStart(int(text.indexOf(QLatin1String("</P>"), text.size() / 2)));
    } else {
        editor->SetSelectionStart(positionOf(editor, "</BODY>", true));
    }
    settle();
    Stopwatch watch;
    typeCharacter(editor);
    if (!waitForRender(form.LivePreviewPane))
        qFatal("a render failed");
    watch.ms();
    const double ms = Stopwatch::lastWallMs();
    editor->UndoLastEdit();
    waitForRender(form.LivePreviewPane);
    return ms;
}

// Sees the editor's next paint.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        painted = painted || e->type() == QEvent::Paint;
        return false;
    }
};

// A typed character timed until the editor has been repainted and the window put on screen:
// with the pane open, how the window is composed is part of what a key costs.
double typedToRepaint(TMainForm& form)
{
    TMarginRichEdit* editor = form.editor();
    editor->SetSelectionStart(editor->TextLength() / 2);
    settle();
    PaintWatch watch(editor->viewport());
    // The whole process's processor time: the window's composition is what is measured.
    Stopwatch stopwatch(Bench::Clock::Process);
    typeCharacter(editor);
    QDeadlineTimer deadline(60000);
    while (!watch.painted && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = stopwatch.ms();
    if (!watch.painted)
        qFatal("the editor was not repainted after a key");
    editor->UndoLastEdit();
    settle();
    return ms;
}

void BenchRun::livePreviewCases()
{
    const QString big = path(QStringLiteral("page-10m.htm"));
    if (wanted(kTypedPaneOpen)) {
        auto open = formWithPreview(big, prompter_);
        auto closed = startedForm();
        openThroughCommand(*closed, prompter_, copyOf(big));
        settle();
        const Bench::Medians m =
            Bench::measurePair([&] { return typedToRepaint(*open); },
                               [&] { return typedToRepaint(*closed); }, options_.runs);
        Row row = Bench::row(kTypedPaneOpen, QStringLiteral("ms"), m, 2.0,
                             QStringLiteral("same with the preview closed, both to the repaint"));
        row.measure = QStringLiteral("process CPU");
        add(std::move(row));
    }
    // Typing inside a paragraph patches it in the shown page: on the 10 MB page within a
    // second (4 x the pause). An edit between elements still draws the page whole.
    const struct
    {
        const char* size;
        const char* where;
        bool insideParagraph;
        double target; // 0: reported only
    } latencies[] = {
        {"10k", "typed in a paragraph", true, 0},
        {"10m", "typed in a paragraph", true, 4.0},
        {"10m", "typed between elements, drawn whole", false, 0},
    };
    for (const auto& latency : latencies) {
        const bool small = latency.size[2] == 'k';
        const QString name =
            kPreviewLatency + QStringLiteral(", %1 page, %2")
                                  .arg(small ? QStringLiteral("10 KB") : QStringLiteral("10 MB"),
                                       QLatin1String(latency.where));
        if (!wanted(name))
            continue;
        auto form = formWithPreview(
            path(QStringLiteral("page-%1.htm").arg(QLatin1String(latency.size))), prompter_);
        QList<double> times;
        const int runs = small || latency.insideParagraph ? options_.runs : qMin(options_.runs, 3);
        for (int i = 0; i < runs; ++i)
            times.append(editToRender(*form, latency.insideParagraph));
        Row row;
        row.name = name;
        row.unit = QStringLiteral("ms");
        row.ours = Bench::median(times);
        row.baseline = double(TLivePreviewPane::kRenderDelayMs);
        row.target = latency.target;
        row.baselineName = QStringLiteral("the pause before a render (fixed)");
        // A latency is the wait the user sees, so the wall clock; the engine's own processes
        // do the work.
        row.measure = QStringLiteral("wall");
        row.counted = latency.target > 0;
        add(std::move(row));
    }
}

int BenchRun::run()
{
    say(QStringLiteral("Vorlane benchmark: %1 cores, load average %2, %3 runs per case "
                       "(%4 per process case), %5 busy processes of its own")
            .arg(QThread::idealThreadCount())
            .arg(loadAverage())
            .arg(options_.runs)
            .arg(options_.processRuns)
            .arg(options_.load));
    say(QStringLiteral("Inputs in %1:").arg(folder_));
    generateInputs();

    // Whole processes first, while this one is still small.
    say(QStringLiteral("Process cases:"));
    processCases();
    say(QStringLiteral("Document cases:"));
    documentCases();
    say(QStringLiteral("Editing cases:"));
    editingCases();
    say(QStringLiteral("Table generator:"));
    tableCases();
    say(QStringLiteral("Long lines:"));
    longLineCases();
    say(QStringLiteral("Check Page:"));
    checkCases();
    spellingCases();
    say(QStringLiteral("The site:"));
    siteCases();
    say(QStringLiteral("Live preview:"));
    livePreviewCases();

    say(QStringLiteral("Highlighting:"));
    highlightingCases();

    say(QStringLiteral("Site panel and rename:"));
    sitePanelCases();

    say(QString());
    say(QStringLiteral("Load average at the end: %1").arg(loadAverage()));
    say(QString());
    out() << Bench::formatTable(rows_) << Qt::flush;
    bool allPassed = true;
    for (const Row& row : rows_)
        allPassed = allPassed && (row.passed() || !row.counted);
    say(allPassed ? QStringLiteral("\nEvery target met.")
                  : QStringLiteral("\nSome targets were missed."));
    return allPassed ? 0 : 1;
}

Options parseOptions(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const QString value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (a == QLatin1String("--runs")) {
            options.runs = qMax(1, value.toInt());
            ++i;
        } else if (a == QLatin1String("--process-runs")) {
            options.processRuns = qMax(1, value.toInt());
            ++i;
        } else if (a == QLatin1String("--only")) {
            options.only = value;
            ++i;
        } else if (a == QLatin1String("--keep-inputs")) {
            options.inputs = value;
            ++i;
        } else if (a == QLatin1String("--load")) {
            options.load = qMax(0, value.toInt());
            ++i;
        } else {
            std::fprintf(stderr, "usage: vorlane_bench [--runs N] [--process-runs N] [--only TEXT] "
                                 "[--keep-inputs DIR] [--load N]\n");
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    // The panel's markup check runs this program again as its child.
    if (const std::optional<int> child = PageCheck::runMarkupChildIfAsked(argc, argv))
        return *child;
    // A settings store of our own, with the welcome window and Quick Start off, for this
    // process and the programs it starts.
    QTemporaryDir work;
    if (!work.isValid())
        qFatal("cannot create a temporary folder");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path() + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(work.path() + QStringLiteral("/cache")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(work.path() + QStringLiteral("/state")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // The busy processes are forked before any thread exists.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--load") == 0)
            Bench::startLoad(std::atoi(argv[i + 1]));

    QApplication app(argc, argv);
    TLivePreviewPane::setModuleFolder(QStringLiteral(VORLANE_BINARY_DIR));
    // Check Page and Check Site run their children as the editor does: its own program.
    PageCheck::MarkupChildLimits children;
    children.program = QStringLiteral(VORLANE_BINARY_DIR "/vorlane");
    PageCheck::setMarkupChildLimits(children);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setOrganizationName(QStringLiteral("Tallowmark"));
    const Options options = parseOptions(QApplication::arguments());

    resetSettings();

    QString folder = options.inputs;
    if (folder.isEmpty())
        folder = work.path() + QStringLiteral("/pages");
    QDir().mkpath(folder);

    BenchRun bench(options, QDir(folder).absolutePath());
    const int result = bench.run();
    Bench::stopLoad();
    return result;
}

void BenchRun::spellingCases()
{
    if (!wanted(kTypedSpelling) && !wanted(kTypedEndSpelling) && !wanted(kSpellingPass))
        return;
    auto on = startedForm();
    auto off = startedForm();
    TSpellingAsYouType* spelling = on->findChild<TSpellingAsYouType*>();
    spelling->setEnabled(true);
    off->findChild<TSpellingAsYouType*>()->setEnabled(false);
    openThroughCommand(*on, prompter_, path(QStringLiteral("page-10m.htm")));
    openThroughCommand(*off, prompter_, copyOf(path(QStringLiteral("page-10m.htm"))));
    waitForSpellingPass(*on);
    if (on->editor()->TextLength() != off->editor()->TextLength() || !prompter_.errors.isEmpty())
        qFatal("both sides must hold the 10 MB page");
    if (wanted(kTypedSpelling)) {
        const Bench::Medians m = Bench::measurePair(
            [&] {
                return timedTypingAt(*on, on->editor()->TextLength() / 2, Bench::Clock::Process);
            },
            [&] {
                return timedTypingAt(*off, off->editor()->TextLength() / 2, Bench::Clock::Process);
            },
            options_.runs);
        add(processCpu(Bench::row(kTypedSpelling, QStringLiteral("ms"), m, 1.5,
                                  QStringLiteral("same with spelling off"))));
    }
    if (wanted(kTypedEndSpelling)) {
        // The 10 MB page ends in text, with no </BODY> to type before.
        auto side = [&](TMainForm& form) {
            return timedTypingAt(form, form.editor()->TextLength(), Bench::Clock::Process);
        };
        const Bench::Medians m = Bench::measurePair([&] { return side(*on); },
                                                    [&] { return side(*off); }, options_.runs);
        add(processCpu(Bench::row(kTypedEndSpelling, QStringLiteral("ms"), m, 1.5,
                                  QStringLiteral("same with spelling off"))));
    }
    if (wanted(kSpellingPass)) {
        const QByteArray bytes = on->editor()->EditorUtf8();
        std::vector<std::string> words;
        forEachSpellingWord(bytes, 0, bytes.size(),
                            [&](const SpellWord& w) { words.push_back(w.text.toStdString()); });
        const QString base =
            SpellChecker::dictionaryFolder() + QLatin1Char('/') + spelling->dictionary();
        Hunspell hunspell(QFile::encodeName(base + QStringLiteral(".aff")).constData(),
                          QFile::encodeName(base + QStringLiteral(".dic")).constData());
        const int runs = qMin(options_.runs, 5);
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch(Bench::Clock::Process);
                spelling->checkWholePageNow();
                return watch.ms();
            },
            [&] {
                Stopwatch watch(Bench::Clock::Process);
                qsizetype wrong = 0;
                for (const std::string& w : words)
                    wrong += hunspell.spell(w) ? 0 : 1;
                const double ms = watch.ms();
                if (wrong < 0)
                    say(QString());
                return ms;
            },
            runs);
        add(processCpu(
            Bench::row(kSpellingPass, QStringLiteral("ms"), m, 1.5,
                       QStringLiteral("Hunspell's spell() over the same words, extracted"))));
    }
}

// Check Site against Check Page on each page one after another, shared out over the cores;
// Find in Files against grep counting the same text in the same files.
void BenchRun::siteCases()
{
    if (wanted(kCheckSite)) {
        // 20 folders of 100 pages; each page links to 20 others, some in other folders, some
        // to a #name, and shows a picture.
        const QString site = path(QStringLiteral("check-site"));
        for (int d = 0; d < 20; ++d)
            QDir().mkpath(site + QStringLiteral("/d%1").arg(d, 2, 10, QLatin1Char('0')));
        const auto pageName = [](int n) {
            return QStringLiteral("d%1/p%2.htm").arg(n / 100, 2, 10, QLatin1Char('0')).arg(n % 100);
        };
        int links = 0;
        for (int n = 0; n < 2000; ++n) {
            QByteArray page = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n"
                              "<HTML><HEAD><TITLE>Page " +
                              QByteArray::number(n) +
                              "</TITLE></HEAD>\r\n<BODY><H1><A NAME=\"top\">Page</A></H1>\r\n";
            for (int p = 0; p < 8; ++p)
                page += "<P>Paragraph " + QByteArray::number(p) +
                        " of a page written by hand: <B>bold</B> words, <I>slanted</I> ones,\r\n"
                        "and an entity or two &amp; &copy; between them.\r\n";
            page += "<P><IMG SRC=\"../pic.gif\" ALT=\"p\" WIDTH=10 HEIGHT=10>\r\n<UL>\r\n";
            for (int k = 1; k <= 20; ++k, ++links) {
                const int to = (n + k * 97) % 2000;
                page += "<LI><A HREF=\"../" + pageName(to).toUtf8() + (k % 5 == 0 ? "#top" : "") +
                        "\">page " + QByteArray::number(to) + "</A>\r\n";
            }
            page += "</UL>\r\n</BODY></HTML>\r\n";
            writeBytes(site + QLatin1Char('/') + pageName(n), page);
        }
        writeBytes(site + QStringLiteral("/pic.gif"), "GIF89a");
        writeBytes(site + QStringLiteral("/index.htm"),
                   "<HTML><BODY><A HREF=\"d00/p0.htm\">start</A></BODY></HTML>\r\n");
        say(QStringLiteral("  check-site: 2,001 pages, %1 links").arg(links + 1));
        QStringList pages;
        for (int n = 0; n < 2000; ++n)
            pages.append(site + QLatin1Char('/') + pageName(n));
        const int cores = qMax(1, QThread::idealThreadCount());
        const int runs = qMin(options_.runs, 5); // seconds each
        const Bench::Medians m = Bench::measurePair(
            [&] {
                SiteCheck::Options check;
                check.folder = site;
                check.markupIn = PageCheck::MarkupIn::ChildProcess;
                Stopwatch watch;
                const SiteCheck::Result result = SiteCheck::checkSite(check);
                watch.ms();
                // Sharing the pages out over the cores is what is measured: the wall clock.
                const double ms = Stopwatch::lastWallMs();
                if (result.pagesChecked != 2001)
                    qFatal("Check Site checked %d pages", result.pagesChecked);
                return ms;
            },
            [&] {
                Stopwatch watch;
                qsizetype sink = 0;
                for (const QString& page : std::as_const(pages)) {
                    QFile file(page);
                    if (!file.open(QIODevice::ReadOnly))
                        qFatal("cannot read %s", qPrintable(page));
                    sink += PageCheck::checkPage(decodeDocument(file.readAll()).utf8, page).size();
                }
                Q_UNUSED(sink);
                watch.ms();
                return Stopwatch::lastWallMs() / cores;
            },
            runs);
        Row row = Bench::row(
            kCheckSite, QStringLiteral("ms"), m, 1.3,
            QStringLiteral("Check Page on each page in turn (in process) / %1 cores").arg(cores));
        row.measure = QStringLiteral("wall");
        add(std::move(row));
    }
    if (wanted(kFindInFiles)) {
        // 100 folders of 100 pages of 10 KB; the text stands a few times in every tenth page.
        const QString site = path(QStringLiteral("find-site"));
        for (int d = 0; d < 100; ++d)
            QDir().mkpath(site + QStringLiteral("/f%1").arg(d, 2, 10, QLatin1Char('0')));
        qint64 bytes = 0;
        for (int n = 0; n < 10000; ++n) {
            QByteArray page = PageGenerator::page(10 * 1024, quint32(n % 50 + 1));
            if (n % 10 == 0)
                page.replace("</BODY>", "<P>Quarterly ledger</P><P>Quarterly ledger</P></BODY>");
            bytes += page.size();
            writeBytes(QStringLiteral("%1/f%2/page%3.htm")
                           .arg(site)
                           .arg(n / 100, 2, 10, QLatin1Char('0'))
                           .arg(n % 100),
                       page);
        }
        say(QStringLiteral("  find-site: 10,000 files, %1 MB").arg(bytes / 1e6, 0, 'f', 1));
        FindInFilesScope scope;
        scope.folder = site;
        scope.namePatterns = splitNamePatterns(QStringLiteral("*.htm;*.html"));
        FindInFilesOptions options;
        options.text = QStringLiteral("Quarterly ledger");
        options.matchCase = true;
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch(Bench::Clock::Process);
                const FindInFilesResult result = findInFiles(scope, options);
                const double ms = watch.ms();
                if (result.matchCount() != 2000)
                    qFatal("Find in Files found %d matches", result.matchCount());
                return ms;
            },
            [&] {
                QProcess grep;
                grep.setStandardOutputFile(QProcess::nullDevice());
                Stopwatch watch(Bench::Clock::Process);
                grep.start(QStringLiteral("grep"), {QStringLiteral("-rcF"), options.text, site});
                grep.waitForFinished(-1);
                return watch.ms();
            },
            qMin(options_.runs, 9));
        add(Bench::row(kFindInFiles, QStringLiteral("ms"), m, 2.0,
                       QStringLiteral("grep -rcF of the same text")));
    }
}

// The site panel and renaming with links kept.
void BenchRun::sitePanelCases()
{
    const QString kRename = QStringLiteral("rename a picture with 1,000 referring pages");
    const QString kPanel = QStringLiteral("longest frame opening the site panel on 10,000 files");
    const QString kPanelFloor =
        QStringLiteral("longest frame, a bare QFileSystemModel in a QTreeView on the same folder");
    if (wanted(kRename)) {
        const QString site = path(QStringLiteral("rename-site"));
        for (const char* folder : {"/pics", "/a", "/b/c"})
            QDir().mkpath(site + QLatin1String(folder));
        writeBytes(site + QStringLiteral("/index.html"), "<P>home</P>\r\n");
        writeBytes(site + QStringLiteral("/pics/photo.gif"), "GIF89a");
        // Pages of about 4 KB, each with two links to the picture among other text.
        QByteArray filler;
        for (int i = 0; i < 60; ++i)
            filler += "<P>Some words of the page, a <A HREF=\"other.html\">link</A>.</P>\r\n";
        for (int i = 0; i < 1000; ++i) {
            const QString folder = i % 2 ? QStringLiteral("/a/") : QStringLiteral("/b/c/");
            const QByteArray up = i % 2 ? "../" : "../../";
            writeBytes(site + folder + QStringLiteral("p%1.html").arg(i),
                       "<IMG SRC=\"" + up + "pics/photo.gif\">\r\n" + filler +
                           "<BODY BACKGROUND=\"" + up + "pics/photo.gif\">\r\n");
        }
        bool renamed = false;
        const QString a = site + QStringLiteral("/pics/photo.gif");
        const QString b = site + QStringLiteral("/pics/photx.gif");
        const Bench::Medians m = Bench::measurePair(
            [&] {
                Stopwatch watch(Bench::Clock::Process);
                const RenamePlan plan = planRename(site, renamed ? b : a, renamed ? a : b);
                applyRename(plan, QString());
                const double ms = watch.ms();
                if (plan.changeCount() != 2000)
                    qFatal("the rename should change 2,000 links");
                renamed = !renamed;
                return ms;
            },
            [&] {
                // Find in Files of the old name, then the same pages written with the new one.
                Stopwatch watch(Bench::Clock::Process);
                FindInFilesScope scope;
                scope.folder = site;
                scope.namePatterns = splitNamePatterns(QStringLiteral("*.htm;*.html"));
                FindInFilesOptions options;
                options.text = renamed ? QStringLiteral("photx.gif") : QStringLiteral("photo.gif");
                options.replacement = options.text;
                const FindInFilesResult result = findInFiles(scope, options);
                for (const FindInFilesFile& file : result.files) {
                    QByteArray bytes;
                    readPageForSearch(file.path, bytes);
                    writePageFile(file.path, replaceInFileBytes(bytes, file.matches));
                }
                return watch.ms();
            },
            qMin(options_.runs, 7));
        add(Bench::row(
            kRename, QStringLiteral("ms"), m, 1.5,
            QStringLiteral("Find in Files of the old name + writing the changed pages")));
    }
    if (wanted(kPanel) || wanted(kPanelFloor)) {
        const QString site = path(QStringLiteral("panel-site"));
        QDir().mkpath(site);
        for (int i = 0; i < 10000; ++i)
            writeBytes(site + QStringLiteral("/f%1.html").arg(i, 5, 10, QLatin1Char('0')), "x");
        // Every turn of the event loop from the command until the tree holds every file and is
        // drawn: the longest is what the user feels, as in the typing rows.
        const auto longestFrame = [](const std::function<void()>& open,
                                     const std::function<QAbstractItemView*()>& view) {
            Stopwatch first;
            open();
            double longest = first.ms();
            QDeadlineTimer deadline(120000);
            for (;;) {
                Stopwatch watch;
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                longest = qMax(longest, watch.ms());
                QAbstractItemView* tree = view();
                if (tree->model()->rowCount(tree->rootIndex()) == 10000)
                    break;
                if (deadline.hasExpired())
                    qFatal("the site panel never listed the folder");
            }
            for (int i = 0; i < 20; ++i) {
                Stopwatch watch;
                settle();
                longest = qMax(longest, watch.ms());
            }
            return longest;
        };
        const auto frameRow = [](const QString& name, const QList<double>& frames) {
            const Bench::Spread spread = Bench::Spread::of(frames);
            Row r;
            r.name = name;
            r.unit = QStringLiteral("ms");
            r.ours = spread.median;
            r.baseline = 50.0;
            r.target = 1.0;
            r.baselineName = QStringLiteral("one frame at 20 per second (fixed)");
            r.oursSpread = spread;
            r.measure = QStringLiteral("wall"); // a frame is what the user waits for
            return r;
        };
        if (wanted(kPanel)) {
            QList<double> frames;
            for (int run = 0; run < qMin(options_.runs, 5); ++run) {
                auto form = startedForm();
                form->resize(1000, 700);
                settle();
                TMainForm* f = form.get();
                frames << longestFrame([f, &site] { f->openSite(site); }, // shows the panel
                                       [f] { return f->SitePanel->Tree; });
            }
            add(frameRow(kPanel, frames));
        }
        if (wanted(kPanelFloor)) {
            // Qt's file model as it comes, in a tree of the panel's size: what the panel would
            // cost without its own icons.
            QList<double> frames;
            for (int run = 0; run < qMin(options_.runs, 5); ++run) {
                QTreeView tree;
                tree.resize(220, 650);
                tree.setUniformRowHeights(true);
                tree.show();
                settle();
                QFileSystemModel* files = nullptr;
                frames << longestFrame(
                    [&] {
                        files = new QFileSystemModel(&tree);
                        files->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
                        tree.setModel(files);
                        tree.setRootIndex(files->setRootPath(site));
                    },
                    [&tree] { return &tree; });
            }
            Row r = frameRow(kPanelFloor, frames);
            r.counted = false; // shown for comparison: Qt's own cost is not ours to meet
            add(r);
        }
    }
}
