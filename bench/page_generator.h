#pragma once

#include <QByteArray>

// Hand-written-looking HTML 3.2 pages for the benchmarks: headings, paragraphs broken at about
// 60 columns, lists, tables, images, links, entities and a few accented words, CR LF line
// ends, UTF-8. The same seed always gives the same bytes.
namespace PageGenerator {

// The one phrase that stands only in the page's last lines (searched for by Find Next).
inline constexpr char kFooterPhrase[] = "Page maintained by Quillbridge";

// A whole page of about `targetBytes` bytes: head with TITLE, a BODY tag with colours, the
// body, then the footer with kFooterPhrase, "</BODY>" and "</HTML>".
QByteArray page(qsizetype targetBytes, quint32 seed = 1);

// The same page written as one single line: every line end becomes a blank.
QByteArray singleLinePage(qsizetype targetBytes, quint32 seed = 1);

} // namespace PageGenerator
