#pragma once
// A shared library opened when it is first needed instead of by the loader at program start.
// libcurl, libcrypto and libopencc pull in dozens of libraries and dictionaries between them;
// none of that is wanted before the user first needs it, so their functions are looked up here
// into tables of pointers.
#include <QString>

#include <optional>

namespace quillo {

class RuntimeLibrary {
public:
    // Opens `fileName` through the system's search path. The library stays loaded for the rest
    // of the process: worker threads may still be inside it while the program exits.
    explicit RuntimeLibrary(const char* fileName);
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }

    // Fills `slot` with the function called `name`; false (and the reason kept) when the library
    // is not loaded or lacks it. `Function` is the pointer type the headers declare, so the
    // caller's table is checked against them at compile time.
    template <typename Function>
    bool Resolve(Function& slot, const char* name)
    {
        slot = reinterpret_cast<Function>(lookUp(name));
        return slot != nullptr;
    }

    // Why the library or the last function asked for could not be had; empty when all went well.
    QString ErrorString() const { return m_error; }

private:
    void* lookUp(const char* name);

    QString m_fileName;
    void* m_handle = nullptr;
    QString m_error;
};

// The function table `Api` of `library`, filled by `resolveAll(library, api)`, which resolves
// every member and answers whether all were found; none when the library did not load or lacks
// one of them.
template <typename Api, typename ResolveAll>
std::optional<Api> ResolveFunctions(RuntimeLibrary& library, ResolveAll resolveAll)
{
    Api api;
    if (library.IsLoaded() && resolveAll(library, api))
        return api;
    return std::nullopt;
}

} // namespace quillo
