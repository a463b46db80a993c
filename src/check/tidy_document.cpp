#include "check/tidy_document.h"

#include "check/tidy_arena.h"
#include "core/runtime_library.h"

#include <tidy.h>
#include <tidybuffio.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

// HTML Tidy is opened the first time a page is checked: most runs never check one.
// clang-format off
#define VORLANE_TIDY_FUNCTIONS(X) \
    X(tidyGetAppData) \
    X(tidyGetMessageDoc) \
    X(tidyGetMessageLevel) \
    X(tidyGetMessageLine) \
    X(tidyGetMessageColumn) \
    X(tidyGetMessage) \
    X(tidyGetMessageCode) \
    X(tidyGetMessageArguments) \
    X(tidyGetNextMessageArgument) \
    X(tidyGetArgType) \
    X(tidyGetArgValueString) \
    X(tidyGetArgValueUInt) \
    X(tidyGetArgValueInt) \
    X(tidySetLanguage) \
    X(tidyCreate) \
    X(tidyCreateWithAllocator) \
    X(tidySetAppData) \
    X(tidySetMessageCallback) \
    X(tidyBufInit) \
    X(tidySetErrorBuffer) \
    X(tidySetInCharEncoding) \
    X(tidyOptSetBool) \
    X(tidyOptSetInt) \
    X(tidyBufFree) \
    X(tidyRelease) \
    X(tidyInitSource) \
    X(tidyParseSource) \
    X(tidyCleanAndRepair) \
    X(tidyRunDiagnostics)
// clang-format on
VORLANE_RUNTIME_LIBRARY(TidyFunctions, tidyFunctions, VORLANE_TIDY_LIBRARY, VORLANE_TIDY_FUNCTIONS)

std::atomic<bool> leftToProcessEnd{false};

// Only called once available() has said yes.
const TidyFunctions& tidy()
{
    return *tidyFunctions(nullptr);
}

} // namespace

bool TidyDocument::available(QString* why)
{
    return tidyFunctions(why) != nullptr;
}

namespace {

// Tidy's allocator over an arena. Tidy does not check what its allocator returns, so running
// out of memory ends the process here, with the exit code Tidy's own allocator uses.
constexpr int kOutOfMemory = 2;

struct ArenaAllocator
{
    TidyAllocator base; // first: Tidy's pointer to it is a pointer to the whole
    TidyArena arena;

    ArenaAllocator() : base{&kCalls} {}

    static TidyArena& of(TidyAllocator* self)
    {
        return reinterpret_cast<ArenaAllocator*>(self)->arena;
    }
    static void* given(void* piece)
    {
        if (!piece)
            std::_Exit(kOutOfMemory);
        return piece;
    }
    static void* TIDY_CALL allocate(TidyAllocator* self, size_t bytes)
    {
        return given(of(self).allocate(bytes));
    }
    static void* TIDY_CALL reallocate(TidyAllocator* self, void* piece, size_t bytes)
    {
        return given(of(self).reallocate(piece, bytes));
    }
    static void TIDY_CALL release(TidyAllocator* self, void* piece) { of(self).release(piece); }
    static void TIDY_CALL panic(TidyAllocator*, ctmbstr) { std::_Exit(kOutOfMemory); }
    static constexpr TidyAllocatorVtbl kCalls{allocate, reallocate, release, panic};
};

} // namespace

struct TidyDocument::Impl
{
    TidyDoc doc = nullptr;
    std::unique_ptr<ArenaAllocator> allocator; // in a process that ends after this document
    TidyBuffer errors{}; // Tidy's own error output goes here, never to the terminal
    QList<Report> reports;

    // The input, read byte by byte through Tidy's source interface.
    const char* input = nullptr;
    qsizetype size = 0;
    qsizetype next = 0;
    std::atomic<qint64>* bytesRead = nullptr;
    const std::atomic<bool>* stop = nullptr;

    static int TIDY_CALL getByte(void* data)
    {
        auto* self = static_cast<Impl*>(data);
        if (self->next >= self->size)
            return int(EndOfStream);
        // Progress is published every 64 KiB, so the reader pays nothing per byte.
        if ((self->next & 0xFFFF) == 0) {
            if (self->bytesRead)
                self->bytesRead->store(self->next, std::memory_order_relaxed);
            if (self->stop && self->stop->load(std::memory_order_relaxed))
                return int(EndOfStream);
        }
        return uchar(self->input[self->next++]);
    }
    static void TIDY_CALL ungetByte(void* data, byte)
    {
        auto* self = static_cast<Impl*>(data);
        if (self->next > 0)
            --self->next;
    }
    static Bool TIDY_CALL atEnd(void* data)
    {
        auto* self = static_cast<Impl*>(data);
        return self->next >= self->size ? yes : no;
    }

    static Bool TIDY_CALL onMessage(TidyMessage message)
    {
        auto* self = static_cast<Impl*>(tidy().tidyGetAppData(tidy().tidyGetMessageDoc(message)));
        const TidyReportLevel level = tidy().tidyGetMessageLevel(message);
        // Only what Tidy counts as a warning or an error of the page itself is a finding. Its
        // information notes are switched off by "show-info", and the rest is Tidy talking
        // about itself.
        if (level == TidyWarning || level == TidyError || level == TidyBadDocument ||
            level == TidyFatal) {
            Report report{level == TidyWarning ? Level::Warning : Level::Error,
                          tidy().tidyGetMessageLine(message),
                          tidy().tidyGetMessageColumn(message),
                          QString::fromUtf8(tidy().tidyGetMessage(message)),
                          tidy().tidyGetMessageCode(message),
                          {}};
            for (TidyIterator it = tidy().tidyGetMessageArguments(message); it;) {
                TidyMessageArgument argument = tidy().tidyGetNextMessageArgument(message, &it);
                switch (tidy().tidyGetArgType(message, &argument)) {
                case tidyFormatType_STRING:
                    report.arguments.append(
                        QString::fromUtf8(tidy().tidyGetArgValueString(message, &argument)));
                    break;
                case tidyFormatType_INT:
                    report.arguments.append(
                        QString::number(tidy().tidyGetArgValueInt(message, &argument)));
                    break;
                case tidyFormatType_UINT:
                    report.arguments.append(
                        QString::number(tidy().tidyGetArgValueUInt(message, &argument)));
                    break;
                default:
                    report.arguments.append(QString());
                }
            }
            self->reports.append(std::move(report));
        }
        return no; // nothing goes to Tidy's own output
    }
};

TidyDocument::TidyDocument() : impl_(new Impl)
{
    // Tidy picks its message language once, process-wide, from the environment unless told;
    // the rest of the program speaks English, and a second thread must not race the choice.
    static std::once_flag language;
    std::call_once(language, [] { tidy().tidySetLanguage("en"); });

    if (leftToProcessEnd) {
        impl_->allocator = std::make_unique<ArenaAllocator>();
        impl_->doc = tidy().tidyCreateWithAllocator(&impl_->allocator->base);
    } else {
        impl_->doc = tidy().tidyCreate();
    }
    TidyDoc doc = impl_->doc;
    tidy().tidySetAppData(doc, impl_);
    tidy().tidySetMessageCallback(doc, &Impl::onMessage);
    tidy().tidyBufInit(&impl_->errors);
    tidy().tidySetErrorBuffer(doc, &impl_->errors);
    tidy().tidySetInCharEncoding(doc, "utf8");
    tidy().tidyOptSetBool(doc, TidyQuiet, yes);
    tidy().tidyOptSetBool(doc, TidyShowMarkup, no);
    tidy().tidyOptSetBool(doc, TidyShowWarnings, yes);
    // Unquoted attribute values and omitted optional end tags are plain HTML 3.2; Tidy only
    // mentions them as information.
    tidy().tidyOptSetBool(doc, TidyShowInfo, no);
    // Columns count characters, as the editor does.
    tidy().tidyOptSetInt(doc, TidyTabSize, 1);
    // The accessibility module stays off (level 0): it recursed over the tree without the
    // parser's limits, and its reports are no markup findings.
}

void TidyDocument::leaveToProcessEnd()
{
    leftToProcessEnd = true;
}

TidyDocument::~TidyDocument()
{
    if (leftToProcessEnd)
        return;
    tidy().tidyBufFree(&impl_->errors);
    tidy().tidyRelease(impl_->doc);
    delete impl_;
}

QList<TidyDocument::Report> TidyDocument::parse(const QByteArray& utf8,
                                                std::atomic<qint64>* bytesRead,
                                                const std::atomic<bool>* stop)
{
    impl_->reports.clear();
    impl_->input = utf8.constData();
    impl_->size = utf8.size();
    impl_->next = 0;
    impl_->bytesRead = bytesRead;
    impl_->stop = stop;
    TidyInputSource source;
    tidy().tidyInitSource(&source, impl_, &Impl::getByte, &Impl::ungetByte, &Impl::atEnd);
    // As Tidy's own command line does: the clean-and-repair stage and the diagnostics after it
    // report what the parser alone does not (proprietary attributes, the document type). They
    // work on Tidy's tree; the bytes are never changed and nothing is written.
    int status = tidy().tidyParseSource(impl_->doc, &source);
    if (status >= 0 && !(stop && stop->load()))
        status = tidy().tidyCleanAndRepair(impl_->doc);
    if (status >= 0 && !(stop && stop->load()))
        tidy().tidyRunDiagnostics(impl_->doc);
    if (bytesRead)
        bytesRead->store(utf8.size(), std::memory_order_relaxed);
    impl_->input = nullptr;
    return std::move(impl_->reports);
}
