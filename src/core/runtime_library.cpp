#include "core/runtime_library.h"

#include <QLibrary>

#include <vector>

QString loadLibraryFunctions(const char* fileName, std::initializer_list<LibraryFunction> functions)
{
    // Stays loaded for the rest of the run (a QLibrary going away does not unload it): the
    // functions are called from then on.
    const QString name = QString::fromLocal8Bit(fileName);
    QLibrary library(name);
    if (!library.load())
        return QStringLiteral("The library %1 could not be loaded: %2")
            .arg(name, library.errorString());
    std::vector<QFunctionPointer> found;
    found.reserve(functions.size());
    for (const LibraryFunction& function : functions) {
        const QFunctionPointer address = library.resolve(function.name);
        if (!address) {
            library.unload();
            return QStringLiteral("The library %1 has no function %2")
                .arg(name, QString::fromLatin1(function.name));
        }
        found.push_back(address);
    }
    size_t i = 0;
    for (const LibraryFunction& function : functions)
        *function.address = reinterpret_cast<void*>(found[i++]);
    return QString();
}
