#pragma once

#include <QString>

#include <initializer_list>

// A function to look up in a shared library, and where to put its address.
struct LibraryFunction
{
    const char* name;
    void** address;
};

// Opens the shared library `fileName` (its run-time name, e.g. "libtidy.so.5deb1") and looks
// up every function in `functions`. Returns an empty string on success, otherwise a message
// naming the library and what went wrong; then no address is set. Libraries only some
// commands use are opened this way on first use, so a start of the program does not pay
// for loading them.
QString loadLibraryFunctions(const char* fileName,
                             std::initializer_list<LibraryFunction> functions);

// Declares a struct with one correctly typed pointer per function in `LIST` (an X-macro over
// names declared by the library's own header), and a function that opens the library once
// per process and returns the struct, or nullptr with the message in `*error`.
#define VORLANE_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;
#define VORLANE_LIBRARY_ENTRY(name)                                                                \
    LibraryFunction{#name, reinterpret_cast<void**>(&functions.name)},
#define VORLANE_RUNTIME_LIBRARY(Type, accessor, fileName, LIST)                                    \
    struct Type                                                                                    \
    {                                                                                              \
        LIST(VORLANE_LIBRARY_POINTER)                                                              \
    };                                                                                             \
    const Type* accessor(QString* error)                                                           \
    {                                                                                              \
        static Type functions;                                                                     \
        static const QString failure =                                                             \
            loadLibraryFunctions(fileName, {LIST(VORLANE_LIBRARY_ENTRY)});                         \
        if (!failure.isEmpty()) {                                                                  \
            if (error)                                                                             \
                *error = failure;                                                                  \
            return nullptr;                                                                        \
        }                                                                                          \
        return &functions;                                                                         \
    }
