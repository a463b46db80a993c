#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

// One HTML Tidy document, owned for its lifetime: created with the options the page check
// uses, fed UTF-8 bytes, and asked for what its parser and diagnostics report. Tidy only reads
// the bytes; nothing it would write is ever asked for.
class TidyDocument
{
public:
    enum class Level { Warning, Error };
    struct Report
    {
        Level level = Level::Warning;
        int line = 0;   // 1-based; 0 when Tidy names no place
        int column = 0; // 1-based, in characters (a tab counts as one)
        QString message;
        uint code = 0;         // Tidy's message code (tidyStrings)
        QStringList arguments; // the values Tidy put into the message, e.g. tag names
    };

    // Whether HTML Tidy's library could be opened; if not, `why` says so. A document may only
    // be made once this has said yes.
    static bool available(QString* why);

    TidyDocument();
    ~TidyDocument();
    TidyDocument(const TidyDocument&) = delete;
    TidyDocument& operator=(const TidyDocument&) = delete;

    // For a process that ends once its one document is checked: documents are then not taken
    // apart when done. Tidy frees a big page's tree node by node, a tenth of the whole check,
    // where the process's end gives the memory back at once. Documents made after this call
    // also take their memory from an arena (check/tidy_arena.h), and a lack of memory ends
    // the process with exit code 2.
    static void leaveToProcessEnd();

    // Parses the bytes and returns Tidy's warnings and errors in the order it gave them.
    // `bytesRead` follows the parser through the input; setting `stop` ends the input early.
    QList<Report> parse(const QByteArray& utf8, std::atomic<qint64>* bytesRead = nullptr,
                        const std::atomic<bool>* stop = nullptr);

private:
    struct Impl;
    Impl* impl_;
};
