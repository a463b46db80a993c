#include "app/main_form.h"
#include "core/document_codec.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "preview/live_preview_pane.h"
#include "support/fake_launcher.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The web engine, built without the sanitizer, deletes one of its own objects through a
// pointer of another size when a page is dropped; that is not ours to fix.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

namespace {

bool engineLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

// Every object of the web engine's own classes anywhere in the program.
QStringList engineObjects()
{
    QStringList found;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QObject* o : top->findChildren<QObject*>())
            if (QByteArray(o->metaObject()->className()).startsWith("QWebEngine"))
                found << QString::fromLatin1(o->metaObject()->className());
    return found;
}

QVariant evaluate(TLivePreviewPane* pane, const QString& script, bool isolated = false)
{
    QVariant result;
    bool done = false;
    pane->runJavaScript(
        script,
        [&](const QVariant& v) {
            result = v;
            done = true;
        },
        isolated);
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return QStringLiteral("(no answer)");
    return result;
}

// Waits for a render showing `title`, loaded completely: an aborted render reports too, so the
// signal alone says nothing, and under load a render may take long. Read from a world of our
// own, which runs while the page's scripts are off.
bool showsTitle(TLivePreviewPane* pane, const QString& title)
{
    return QTest::qWaitFor(
        [&] {
            return evaluate(pane, QStringLiteral("document.readyState+' '+document.title"), true)
                       .toString() == QStringLiteral("complete ") + title;
        },
        60000);
}

// Clicks the element with the mouse, as the user does.
void clickElement(TLivePreviewPane* pane, const QString& id)
{
    const QVariantList at =
        evaluate(pane, QStringLiteral("(function(){var r=document.getElementById('%1')."
                                      "getBoundingClientRect();return [r.x+r.width/2,"
                                      "r.y+r.height/2];})()")
                           .arg(id))
            .toList();
    QWidget* view = pane->findChild<QWidget*>(QStringLiteral("LivePreviewView"));
    if (!view || at.size() != 2)
        return;
    QWidget* input = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(at[0].toInt(), at[1].toInt()));
}

// Whether the process has ended (and been reaped, or waits only for that).
bool ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray fields = stat.readAll();
    return fields.mid(fields.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

class LivePreviewTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    std::unique_ptr<TMainForm> startedForm(const QString& file = QString())
    {
        WriteSetting(Setting::Welcome, QStringLiteral("N"));
        WriteSetting(Setting::QuickStart, QStringLiteral("N"));
        auto form = std::make_unique<TMainForm>(file);
        form->resize(900, 600);
        form->show();
        if (!QTest::qWaitFor([&] { return form->startupDone(); }, 10000))
            qFatal("start-up did not finish");
        return form;
    }

    // Opens the pane with F12 and waits for its first render.
    TLivePreviewPane* openPane(TMainForm& form)
    {
        QTest::keyClick(form.RichEdit1, Qt::Key_F12);
        TLivePreviewPane* pane = form.LivePreviewPane;
        if (!pane)
            return nullptr;
        QSignalSpy rendered(pane, &TLivePreviewPane::rendered);
        if (!QTest::qWaitFor([&] { return rendered.contains(QVariantList{true}); }, 60000))
            qWarning("no render: %s", qPrintable(pane->failure()));
        return pane;
    }

private Q_SLOTS:
    void init() { clearSettings(); }

    // Runs first: nothing of the engine may be loaded before the pane is shown.
    void closedPaneLoadsNoEngine()
    {
        auto form = startedForm();
        form->RichEdit1->SetEditorText(QStringLiteral("<P>typed</P>"));
        QTest::qWait(TLivePreviewPane::kRenderDelayMs * 2);
        QVERIFY(!form->LivePreviewPane);
        QCOMPARE(engineObjects(), QStringList());
        QVERIFY(!engineLoaded());

        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane && pane->engineCreated());
        QCOMPARE(pane->failure(), QString());
        QVERIFY(engineLoaded());
        QVERIFY(!engineObjects().isEmpty());
    }

    void toggleIsStoredAndRestored()
    {
        {
            auto form = startedForm();
            QAction* toggle = form->action("LivePreview1");
            QAction* follow = form->action("PreviewFollowsCaret1");
            QVERIFY(!toggle->isChecked());
            QVERIFY(follow->isChecked());
            TLivePreviewPane* pane = openPane(*form);
            QVERIFY(pane && pane->isVisible());
            QCOMPARE(ReadSetting(Setting::LivePreview), QStringLiteral("Y"));
            form->LivePreviewSplitter->setSizes({500, 300});
            form->invokeMenuItem("PreviewFollowsCaret1");
            QCOMPARE(ReadSetting(Setting::PreviewFollowsCaret), QStringLiteral("N"));
            QVERIFY(form->action("PreviewRunsScripts1")->isChecked());
            form->invokeMenuItem("PreviewRunsScripts1");
            QVERIFY(form->close());
        }
        QCOMPARE(ReadSetting(Setting::LivePreviewWidth),
                 QString::number(ReadSetting(Setting::LivePreviewWidth).toInt()));
        const int width = ReadSetting(Setting::LivePreviewWidth).toInt();
        QVERIFY(width > 250 && width < 350);
        {
            auto form = startedForm();
            QVERIFY(form->action("LivePreview1")->isChecked());
            QVERIFY(!form->action("PreviewFollowsCaret1")->isChecked());
            QVERIFY(!form->action("PreviewRunsScripts1")->isChecked());
            QVERIFY(form->LivePreviewPane && form->LivePreviewPane->isVisible());
            QVERIFY(qAbs(form->LivePreviewPane->width() - width) <= 2); // the handle's rounding
            form->invokeMenuItem("LivePreview1");
            QVERIFY(!form->LivePreviewPane->isVisible());
            QCOMPARE(ReadSetting(Setting::LivePreview), QStringLiteral("N"));
        }
    }

    void renderFollowsEditsWithoutWriting_data()
    {
        QTest::addColumn<int>("padding");
        QTest::newRow("small page") << 0;
        QTest::newRow("page above the engine's 2 MB limit for direct HTML") << 3 * 1024 * 1024;
    }
    void renderFollowsEditsWithoutWriting()
    {
        QFETCH(int, padding);
        const QByteArray filler = QByteArray("<P>filler</P>\n").repeated(padding / 14);
        const QString page = writeFile(path("page.htm"), "<TITLE>One</TITLE>\n" + filler);
        auto form = startedForm(page);
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QCOMPARE(evaluate(pane, QStringLiteral("document.title")).toString(),
                 QStringLiteral("One"));

        form->RichEdit1->SetSelectionStart(7);
        form->RichEdit1->SetSelectionLength(3);
        QTest::keyClicks(form->RichEdit1, QStringLiteral("Tw"));
        form->RichEdit1->ReplaceSelection(QStringLiteral("\u00f6"));
        QVERIFY(showsTitle(pane, QStringLiteral("Tw\u00f6")));
        QCOMPARE(
            evaluate(pane, QStringLiteral("document.getElementsByTagName('p').length")).toInt(),
            padding / 14);
        QCOMPARE(readFile(page).left(18), QByteArray("<TITLE>One</TITLE>"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{"page.htm"});
    }

    void relativePictureResolvesAgainstThePagesFolder_data()
    {
        QTest::addColumn<bool>("titled");
        QTest::addColumn<int>("width");
        QTest::newRow("page in a folder") << true << 7;
        QTest::newRow("untitled page: no folder") << false << 0;
    }
    void relativePictureResolvesAgainstThePagesFolder()
    {
        QFETCH(bool, titled);
        QFETCH(int, width);
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QDir().mkpath(path("pics"));
        QVERIFY(picture.save(path("pics/red.png")));
        const QByteArray html = "<IMG ID=p SRC=\"pics/red.png\">";
        const QString page = writeFile(path("pic.htm"), html);
        auto form = titled ? startedForm(page) : startedForm();
        if (!titled) {
            // Untitled, in the same working folder: still no folder to resolve against.
            QDir::setCurrent(dir_.path());
            form->RichEdit1->SetEditorText(QString::fromLatin1(html));
        }
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(pane, QStringLiteral("document.getElementById('p').complete")).toBool(), true,
            10000);
        QCOMPARE(
            evaluate(pane, QStringLiteral("document.getElementById('p').naturalWidth")).toInt(),
            width);
    }

    void linkClicksLeaveThePaneOnThePage()
    {
        const QString other = writeFile(path("other page.htm"), "<TITLE>Other</TITLE>");
        const QString page =
            writeFile(path("links.htm"),
                      "<TITLE>Links</TITLE><A ID=w HREF=\"https://example.com/x?y=1\">web</A>"
                      "<A ID=l HREF=\"other%20page.htm#top\">local</A>"
                      "<A ID=t HREF=\"http://example.org/\" TARGET=_blank>new window</A>");
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        auto form = startedForm(page);
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        const QString url = evaluate(pane, QStringLiteral("location.href")).toString();

        clickElement(pane, QStringLiteral("w"));
        QTRY_COMPARE_WITH_TIMEOUT(launcher.started.size(), 1, 10000);
        QCOMPARE(launcher.started.first().last(), QStringLiteral("https://example.com/x?y=1"));
        // A script opening a window without the user's click is a pop-up: nothing opens.
        evaluate(pane, QStringLiteral("document.getElementById('t').click();"
                                      "window.open('http://example.net/')"));
        QTest::qWait(500);
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(evaluate(pane, QStringLiteral("location.href")).toString(), url);

        prompts.answers = {Prompter::Answer::Yes};
        clickElement(pane, QStringLiteral("l"));
        QTRY_COMPARE_WITH_TIMEOUT(form->DocumentFileName(), other, 10000);
        QCOMPARE(prompts.confirms.size(), 0); // Yes / No, not Yes / No / Cancel
        QCOMPARE(prompts.questions.size(), 1);
        QCOMPARE(prompts.questions.first().text,
                 QStringLiteral("Open %1 in the editor?").arg(other));
        QCOMPARE(form->RichEdit1->EditorText(), QStringLiteral("<TITLE>Other</TITLE>"));
        // The pane then shows the newly opened page, never the one the link named by itself.
        QVERIFY(showsTitle(pane, QStringLiteral("Other")));
    }

    // A hostile page in site/, with a secret beside the site and, inside it, a hidden file, a
    // file in a hidden folder, a FIFO that holds a picture, and a link leading out. Every
    // target is a picture, so an <img> that loads proves a file was served.
    void hostilePageSeesOnlyItsSiteAndStaysInThePane()
    {
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        picture.save(&png, "PNG");
        const QString secret = writeFile(path("secret.png"), png.data());
        writeFile(path("site/ok.png"), png.data());
        writeFile(path("site/.hidden.png"), png.data());
        writeFile(path("site/.git/in.png"), png.data());
        QVERIFY(QFile::link(secret, path("site/link.png")));
        QCOMPARE(mkfifo(QFile::encodeName(path("site/fifo.png")).constData(), 0600), 0);
        const int fifo = ::open(QFile::encodeName(path("site/fifo.png")).constData(), O_RDWR);
        QVERIFY(fifo >= 0 && ::write(fifo, png.data().constData(), png.size()) == png.size());
        const QByteArray page =
            "<TITLE>Static</TITLE><A ID=w HREF=\"https://example.com/real\">web</A>"
            "<FORM ID=f ACTION=\"https://example.com/form\"><INPUT NAME=q></FORM><SCRIPT>"
            "document.title='Hostile';var got={},frames={};function look(id){var d=null;"
            "try{d=frames[id].contentDocument}catch(e){}return d&&d.body&&d.body.innerHTML?"
            "'frame':''}function result(id){return id in got?got[id]:id in frames?look(id):"
            "'hangs'}function probe(id,kind,url){"
            "var done=function(v){got[id]=v;};"
            "if(kind=='img'){var i=new Image();i.onload=function(){done('img')};"
            "i.onerror=function(){done('')};i.src=url;}"
            "else if(kind=='xhr'){var x=new XMLHttpRequest();x.onload=function(){"
            "done(x.responseText.length?'xhr':'')};x.onerror=function(){done('')};"
            "x.open('GET',url);x.send();}"
            "else if(kind=='fetch'){fetch(url).then(function(r){return r.text()}).then("
            "function(t){done(t.length?'fetch':'')},function(){done('')});}"
            "else{var f=frames[id]=document.createElement('iframe');"
            "f.onload=function(){done(look(id))};f.src=url;document.body.appendChild(f);}}"
            "</SCRIPT>";
        ScriptedPrompter prompts;
        FakeLauncher launcher;
        WriteSetting(Setting::Browser, QStringLiteral("NS"));
        WriteSetting(Setting::BrowserLocation, QStringLiteral("/opt/browser"));
        auto form = startedForm(writeFile(path("site/page.htm"), page));
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QVERIFY(showsTitle(pane, QStringLiteral("Hostile")));
        const QString href = evaluate(pane, QStringLiteral("location.href")).toString();

        // Every target by every means; each gives the means that got the file.
        int round = 0;
        auto probe = [&](const QStringList& urls) {
            const QString prefix = QString::number(++round) + QLatin1Char('_');
            QStringList ids;
            for (int u = 0; u < urls.size(); ++u)
                for (const char* kind : {"img", "xhr", "fetch", "frame"}) {
                    ids << prefix + QString::number(u) + QLatin1Char('_') + QLatin1String(kind);
                    evaluate(pane, QStringLiteral("probe('%1','%2','%3')")
                                       .arg(ids.last(), QLatin1String(kind), urls[u]));
                }
            // A frame the engine refused never reports: after a while it is looked at as it is.
            const QString reported = QStringLiteral("Object.keys(got).filter(function(k){return "
                                                    "k.startsWith('%1')%2}).length")
                                         .arg(prefix);
            (void)QTest::qWaitFor(
                [&] {
                    return evaluate(pane, reported.arg("&&!k.endsWith('frame')")).toInt() ==
                           urls.size() * 3;
                },
                20000);
            (void)QTest::qWaitFor(
                [&] { return evaluate(pane, reported.arg("")).toInt() == ids.size(); }, 3000);
            QStringList got(urls.size());
            for (int i = 0; i < ids.size(); ++i) {
                const QString means =
                    evaluate(pane, QStringLiteral("result('%1')").arg(ids[i])).toString();
                if (!means.isEmpty())
                    got[i / 4] += (got[i / 4].isEmpty() ? "" : ",") + means;
            }
            return got;
        };
        const QStringList targets = {
            "ok.png", // in the site: only a page's own loads get it, never a script
            secret,   // beside the site, by its absolute path
            "../secret.png", "%2e%2e/secret.png", "sub/%2e%2e/%2E%2E/secret.png",
            "link.png",      ".hidden.png",       ".git/in.png",
            "fifo.png",      "file://" + secret,
        };
        QStringList expected(targets.size());
        expected[0] = "img";
        QCOMPARE(probe(targets), expected);

        // Nothing a script does leaves the pane or starts a program; the user's click does.
        for (const char* script :
             {"document.getElementById('w').click()", "window.open('https://example.com/open')",
              "location='https://example.com/location'", "location='ok.png'",
              "document.getElementById('f').submit()",
              "var m=document.createElement('meta');m.httpEquiv='refresh';"
              "m.content='0;url=https://example.com/refresh';document.head.appendChild(m)",
              "setTimeout(function(){location.href='https://example.com/timer';"
              "window.timerRan=true},0)"})
            evaluate(pane, QString::fromLatin1(script));
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(pane, QStringLiteral("window.timerRan")).toBool(), 10000);
        clickElement(pane, QStringLiteral("w"));
        QTRY_COMPARE_WITH_TIMEOUT(launcher.started.size(), 1, 10000);
        QTest::qWait(500);
        QCOMPARE(launcher.started.size(), 1);
        QCOMPARE(launcher.started.first().last(), QStringLiteral("https://example.com/real"));
        QCOMPARE(evaluate(pane, QStringLiteral("location.href")).toString(), href);
        QCOMPARE(prompts.questions.size(), 0);

        // Untitled, the page gets nothing but itself, by any absolute path.
        form->invokeMenuItem("BlankPage1");
        form->RichEdit1->SetEditorText(QString::fromLatin1(page).replace("'Hostile'", "'Loose'"));
        QVERIFY(showsTitle(pane, QStringLiteral("Loose")));
        QCOMPARE(probe({secret, path("site/ok.png")}), QStringList(2));

        // Scripts off: the page is drawn as written.
        form->invokeMenuItem("PreviewRunsScripts1");
        QCOMPARE(ReadSetting(Setting::PreviewScripts), QStringLiteral("N"));
        QVERIFY(showsTitle(pane, QStringLiteral("Static")));
        ::close(fifo);
    }

    void caretLineScrollsThePreviewAndARefreshKeepsIt()
    {
        QByteArray html = "<TITLE>Long</TITLE>\n";
        for (int i = 0; i < 200; ++i)
            html += QByteArray("<P ID=p") + QByteArray::number(i) + ">paragraph</P>\n";
        auto form = startedForm(writeFile(path("long.htm"), html));
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        const QString shown = QStringLiteral(
            "(function(){var r=document.getElementById('p150').getBoundingClientRect();"
            "return r.top>=0&&r.bottom<=innerHeight;})()");
        QVERIFY(!evaluate(pane, shown).toBool());
        form->RichEdit1->setCursorPosition(151, 14); // in the text of p150
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(pane, shown).toBool(), 10000);
        const double scrolled = evaluate(pane, QStringLiteral("scrollY")).toDouble();
        QVERIFY(scrolled > 0);

        QTest::keyClicks(form->RichEdit1, QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(pane, QStringLiteral("document.getElementById('p150').textContent"))
                .toString(),
            QStringLiteral("parxagraph"), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(pane, QStringLiteral("scrollY")).toDouble(), scrolled,
                                  5000);
    }

    // Scrolling the source styles and folds the lines it brings into view, which the editor
    // reports as an update like an edit; only an edit may cut short the page being drawn.
    void onlyAnEditCutsARenderShort()
    {
        QByteArray html = "<TITLE>Slow</TITLE>\n";
        for (int i = 0; i < 3000; ++i)
            html += "<P>paragraph <B>" + QByteArray::number(i) + "</B> spelt wrnog</P>\n";
        auto form = startedForm(writeFile(path("slow.htm"), html));
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QSignalSpy updates(form->RichEdit1, &TMarginRichEdit::textEdited);
        QSignalSpy rendered(pane, &TLivePreviewPane::rendered);
        // A script that keeps the page loading for a few seconds.
        form->RichEdit1->SetSelectionStart(11);
        form->RichEdit1->ReplaceSelection(QStringLiteral(
            "er</TITLE><SCRIPT>for(var t=Date.now();Date.now()-t<3000;);</SCRIPT><TITLE>"));
        QTest::qWait(TLivePreviewPane::kRenderDelayMs * 3);
        updates.clear();
        QScrollBar* bar = form->RichEdit1->verticalScrollBar();
        for (int step = 1; step <= 4; ++step) {
            bar->setValue(bar->maximum() * step / 4);
            QTest::qWait(50);
        }
        QVERIFY(!updates.isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return rendered.contains(QVariantList{true}); }, 60000));
        QCOMPARE(rendered.size(), 1);
        QVERIFY(showsTitle(pane, QStringLiteral("Slower")));
    }

    // An edit inside one element of the body replaces that element in the shown page, which
    // then holds what drawing the page whole gives; any other edit draws the page whole.
    void editInsideAnElementPatchesItElseThePageIsDrawnWhole()
    {
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QDir().mkpath(path("patch/pics"));
        QVERIFY(picture.save(path("patch/pics/red.png")));
        QVERIFY(picture.save(path("secret.png")));
        const QString page = writeFile(
            path("patch/page.htm"),
            "<HTML><HEAD><TITLE>Patch</TITLE><SCRIPT>document.title='Ran'</SCRIPT></HEAD>"
            "<BODY>\n<H2>Heading</H2>\n<P ID=a>first paragraph with <B>bold</B> words</P>\n"
            "<P ID=b>second paragraph</P>\n<UL><LI>one<LI>two</UL>\n<P ID=c>third</P>\n"
            "</BODY></HTML>\n");
        // Scripts off first: the page's own script then cannot touch what is patched.
        WriteSetting(Setting::PreviewScripts, QStringLiteral("N"));
        auto form = startedForm(page);
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QVERIFY(showsTitle(pane, QStringLiteral("Patch")));
        TMarginRichEdit* editor = form->RichEdit1;
        const auto isolated = [&](const QString& script) { return evaluate(pane, script, true); };
        const auto marked = [&] { return isolated(QStringLiteral("window.mark===1")).toBool(); };
        const auto shown = [&] {
            return isolated(QStringLiteral("document.readyState+'|'+document.title+'|'+"
                                           "document.body.outerHTML"))
                .toString();
        };
        const struct
        {
            const char* what;
            const char* find;
            int deleted;
            const char* inserted;
            bool scripts;
            bool patched;
        } rows[] = {
            {"text typed inside a paragraph", "second", 0, "new %1 %2F ", false, true},
            {"a picture of the site", "third", 0, "<IMG ID=in SRC=\"pics/red.png\">", false, true},
            {"a picture beside the site", "third", 0, "<IMG ID=out SRC=\"../secret.png\">", false,
             true},
            {"an edit across two paragraphs", "words</P>", 14, "", false, false},
            {"an end tag typed inside a paragraph", "third", 0, "</P><P>", false, false},
            {"the title", "Patch", 5, "Changed", false, false},
            {"the page's scripts running", "second", 0, "more ", true, false},
            {"a block inside a paragraph: the browser splits it", "first", 0, "<DIV>x</DIV>", false,
             false},
        };
        bool scripts = false;
        for (const auto& row : rows) {
            if (row.scripts != scripts) {
                scripts = row.scripts;
                form->invokeMenuItem("PreviewRunsScripts1");
                QVERIFY(
                    showsTitle(pane, scripts ? QStringLiteral("Ran") : QStringLiteral("Changed")));
            }
            isolated(QStringLiteral("window.mark=1"));
            QSignalSpy rendered(pane, &TLivePreviewPane::rendered);
            const QString text = editor->EditorText();
            editor->SetSelectionStart(int(text.indexOf(QLatin1String(row.find))));
            editor->SetSelectionLength(row.deleted);
            editor->ReplaceSelection(QString::fromLatin1(row.inserted));
            QVERIFY2(QTest::qWaitFor([&] { return rendered.contains(QVariantList{true}); }, 60000),
                     row.what);
            QVERIFY2(QTest::qWaitFor([&] { return shown().startsWith("complete|"); }, 60000),
                     row.what);
            QVERIFY2(marked() == row.patched, row.what);
            // Pictures in patched markup come through the preview's own scheme as any other.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return isolated(QStringLiteral("Array.prototype.every.call(document.images,"
                                                   "function(i){return i.complete})"))
                        .toBool();
                },
                10000));
            QCOMPARE(isolated(QStringLiteral("(function(){var i=document.getElementById('in');"
                                             "return i?i.naturalWidth:7})()"))
                         .toInt(),
                     7);
            QVERIFY(isolated(QStringLiteral("(function(){var i=document.getElementById('out');"
                                            "return i?i.naturalWidth:0})()"))
                        .toInt() == 0);

            const QString after = shown();
            isolated(QStringLiteral("window.mark=1"));
            editor->SetEditorText(editor->EditorText()); // the same text, drawn whole
            QVERIFY(QTest::qWaitFor([&] { return !marked() && shown().startsWith("complete|"); },
                                    60000));
            QVERIFY2(shown() == after, row.what);
        }
    }

    // Closing the pane lets its page process go; opening it again starts one.
    void closingThePaneEndsItsPageProcess()
    {
        auto form = startedForm(writeFile(path("one.htm"), "<TITLE>One</TITLE><P>one</P>"));
        TLivePreviewPane* pane = openPane(*form);
        QVERIFY(pane);
        QVERIFY(showsTitle(pane, QStringLiteral("One")));
        const qint64 process = pane->pageProcess();
        QVERIFY(process > 0 && !ended(process));
        form->invokeMenuItem("LivePreview1");
        QVERIFY(!pane->engineCreated());
        QCOMPARE(engineObjects(), QStringList());
        QVERIFY(QTest::qWaitFor([&] { return ended(process); }, 60000));
        form->invokeMenuItem("LivePreview1");
        QVERIFY(pane->engineCreated());
        QVERIFY(showsTitle(pane, QStringLiteral("One")));
        QVERIFY(pane->pageProcess() > 0 && pane->pageProcess() != process);
    }

    void nearestElementCountsStartTagsByName_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<int>("index");
        QTest::newRow("nothing before") << QByteArray("plain|<P>") << QByteArray() << 0;
        QTest::newRow("third paragraph")
            << QByteArray("<P>a<p>b<B>x</B><P>c|<P>") << QByteArray("p") << 2;
        QTest::newRow("end tags and doctype count not")
            << QByteArray("<!DOCTYPE html><H1>a</H1></P>|") << QByteArray("h1") << 0;
        QTest::newRow("comment skipped")
            << QByteArray("<I>x<!-- <P> <I> -->|") << QByteArray("i") << 0;
        QTest::newRow("script text skipped")
            << QByteArray("<SCRIPT>if (a<b) '<P>';</script >|") << QByteArray("script") << 0;
        QTest::newRow("tag starting before the line end")
            << QByteArray("<TD|>") << QByteArray("td") << 0;
    }
    void nearestElementCountsStartTagsByName()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, tag);
        QFETCH(int, index);
        const qsizetype end = text.indexOf('|');
        text.remove(end, 1);
        // Every split of the text into the two runs gives the same answer.
        for (qsizetype split = 0; split <= text.size(); ++split) {
            const TextRuns runs{QByteArrayView(text).first(split),
                                QByteArrayView(text).sliced(split)};
            const NearestElement found = nearestElementBefore(runs, end);
            QCOMPARE(found.tag, tag);
            QCOMPARE(found.index, index);
        }
    }
};

VORLANE_TEST_MAIN(LivePreviewTest)
#include "live_preview_test.moc"
