#include "core/runtime_library.h"

#include <dlfcn.h>

#include <vector>

QString loadLibraryFunctions(const char* fileName, std::initializer_list<LibraryFunction> functions)
{
    const QString library = QString::fromLocal8Bit(fileName);
    // Kept open for the rest of the run: the functions are called from then on.
    void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return QStringLiteral("The library %1 could not be loaded: %2")
            .arg(library, QString::fromLocal8Bit(::dlerror()));
    std::vector<void*> found;
    found.reserve(functions.size());
    for (const LibraryFunction& function : functions) {
        void* address = ::dlsym(handle, function.name);
        if (!address) {
            ::dlclose(handle);
            return QStringLiteral("The library %1 has no function %2")
                .arg(library, QString::fromLatin1(function.name));
        }
        found.push_back(address);
    }
    size_t i = 0;
    for (const LibraryFunction& function : functions)
        *function.address = found[i++];
    return QString();
}
