#include "preview/page_outline.h"
#include "support/test_main.h"

#include <QtTest>

class PageOutlineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Which pages split cleanly into top-level elements, and into which.
    void outlineFollowsTheBody_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("names"); // empty: not patchable
        QTest::addColumn<bool>("scripts");
        QTest::newRow("head, body, closed elements")
            << QByteArray("<!DOCTYPE html><HTML><HEAD><TITLE>t <P></TITLE><!-- <X> -->"
                          "<STYLE>p{}</STYLE></HEAD><BODY BGCOLOR=white>\n<H2>a</H2>text"
                          "<P>b<B>c</B></P><HR><UL><LI>x<LI>y</UL><TABLE><TR><TD>1<TD>2"
                          "</TABLE></BODY></HTML>\n")
            << QByteArray("H2 P HR UL TABLE") << false;
        QTest::newRow("no BODY tag: the first element starts the body")
            << QByteArray("<TITLE>t</TITLE>\n<P ID=a>one</P>\n<CENTER>two</CENTER>")
            << QByteArray("P CENTER") << false;
        QTest::newRow("text starts the body")
            << QByteArray("<TITLE>t</TITLE> hi <P>one</P>") << QByteArray("P") << false;
        QTest::newRow("a paragraph left open")
            << QByteArray("<BODY><P>one<P>two</BODY>") << QByteArray() << false;
        QTest::newRow("bold carried into the next paragraph")
            << QByteArray("<BODY><P><B>one</P><P>two</P>") << QByteArray() << false;
        QTest::newRow("a stray end tag between elements")
            << QByteArray("<BODY><P>one</P></P><P>two</P>") << QByteArray() << false;
        QTest::newRow("an unclosed comment")
            << QByteArray("<BODY><P>one<!-- </P>") << QByteArray() << false;
        QTest::newRow("frameset") << QByteArray("<FRAMESET><FRAME SRC=a.htm></FRAMESET>")
                                  << QByteArray() << false;
        QTest::newRow("script in the head")
            << QByteArray("<HEAD><SCRIPT>x()</SCRIPT></HEAD><BODY><P>a</P>") << QByteArray("P")
            << true;
        QTest::newRow("handler attribute")
            << QByteArray("<BODY><P ONCLICK=\"x()\">a</P>") << QByteArray("P") << true;
        QTest::newRow("script address spelt with a tab")
            << QByteArray("<BODY><P><A HREF=\" java\tscript:x()\">a</A></P>") << QByteArray("P")
            << true;
        QTest::newRow("an address")
            << QByteArray("<BODY><P><A HREF=\"x.htm\">a</A></P>") << QByteArray("P") << false;
    }
    void outlineFollowsTheBody()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, names);
        QFETCH(bool, scripts);
        const PageOutline outline = outlinePage(html);
        QCOMPARE(outline.patchable, !names.isEmpty());
        if (names.isEmpty())
            return;
        QCOMPARE(outline.names(), names);
        QCOMPARE(outline.hasScripts, scripts);
        // Every range is exactly its element's markup.
        for (const PageOutline::Element& e : outline.elements) {
            const QByteArray markup = html.mid(e.start, e.end - e.start);
            QCOMPARE(checkElement(markup).name, e.name);
        }
    }

    // Edits inside one element patch it; anything else draws the page whole.
    void editsBecomePatchesOrAWholeDraw_data()
    {
        QTest::addColumn<QByteArray>("find"); // where the edit goes: the first occurrence
        QTest::addColumn<int>("deleted");     // bytes deleted there
        QTest::addColumn<QByteArray>("inserted");
        QTest::addColumn<QByteArray>("patched"); // "index old new", or empty for a whole draw
        QTest::newRow("text inside a paragraph")
            << QByteArray("wo") << 0 << QByteArray("xx") << QByteArray("1 P P");
        QTest::newRow("paragraph becomes a heading")
            << QByteArray("P>two</P") << 1 << QByteArray("H1") << QByteArray();
        QTest::newRow("both tags renamed")
            << QByteArray("two") << 0 << QByteArray("") << QByteArray("1 P P");
        QTest::newRow("across two elements")
            << QByteArray("one") << 10 << QByteArray("x") << QByteArray();
        QTest::newRow("an end tag typed inside")
            << QByteArray("wo") << 0 << QByteArray("</P><P>") << QByteArray();
        QTest::newRow("bold left open")
            << QByteArray("wo") << 0 << QByteArray("<B>") << QByteArray();
        QTest::newRow("in the head") << QByteArray("tit") << 1 << QByteArray("T") << QByteArray();
        QTest::newRow("between elements")
            << QByteArray("\n<P>two") << 0 << QByteArray("x") << QByteArray();
        QTest::newRow("right before an element")
            << QByteArray("<P>two") << 0 << QByteArray("x") << QByteArray();
        QTest::newRow("an attribute of the list")
            << QByteArray("<UL>") << 3 << QByteArray("<UL TYPE=square") << QByteArray();
        QTest::newRow("inside the list's tag")
            << QByteArray("UL>") << 2 << QByteArray("UL TYPE=square") << QByteArray("2 UL UL");
        QTest::newRow("a script typed with scripts running")
            << QByteArray("wo") << 0 << QByteArray("<I ONCLICK=x()>i</I>") << QByteArray();
    }
    void editsBecomePatchesOrAWholeDraw()
    {
        QFETCH(QByteArray, find);
        QFETCH(int, deleted);
        QFETCH(QByteArray, inserted);
        QFETCH(QByteArray, patched);
        QByteArray html = "<TITLE>title</TITLE><BODY>\n<P>one</P>\n<P>two</P>\n"
                          "<UL><LI>a<LI>b</UL>\n<P>three</P>";
        PagePatchPlan plan;
        plan.reset(outlinePage(html));
        QVERIFY(plan.valid());
        const qsizetype at = html.indexOf(find);
        QVERIFY(at >= 0);
        // A whole-element rename comes as two edits; both end up in one patch.
        if (QByteArray(QTest::currentDataTag()) == "both tags renamed") {
            const qsizetype close = html.indexOf("</P>", at);
            for (qsizetype pos : {close + 2, at - 2}) {
                plan.noteEdit(pos, 3, 1);
                html.replace(pos, 1, "DIV");
            }
            patched = "1 P DIV";
        } else {
            plan.noteEdit(at, inserted.size(), deleted);
            html.replace(at, deleted, inserted);
        }
        const auto patches = plan.takePatches(
            [&](qsizetype from, qsizetype to) { return html.mid(from, to - from); }, true);
        if (patched.isEmpty()) {
            QVERIFY(patches.empty());
            QVERIFY(!plan.valid());
            return;
        }
        QCOMPARE(patches.size(), size_t(1));
        const PagePatchPlan::Patch& p = patches.front();
        QCOMPARE(QByteArray::number(p.index) + ' ' + p.oldName + ' ' + p.newName, patched);
        QVERIFY(checkElement(html.mid(p.start, p.end - p.start)).name == p.newName);
        // The outline moved along: every element still covers its own markup.
        for (const PageOutline::Element& e : plan.outline().elements)
            QCOMPARE(checkElement(html.mid(e.start, e.end - e.start)).name, e.name);
        QVERIFY(plan.valid());
    }
};

VORLANE_TEST_MAIN(PageOutlineTest)
#include "page_outline_test.moc"
