// Drops one block, allocated inside libdbus ("library") or by this program ("own"), and ends:
// the leak check at exit decides the result.
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

// Written, so that the compiler keeps the allocation, and cleared, so that nothing reaches it.
void* volatile sink = nullptr;

// A method call message that is never sent nor released: libdbus allocates it through its own
// functions, as it does what it keeps for the process's life. The library stays loaded.
bool dropLibraryBlock()
{
    void* library = ::dlopen("libdbus-1.so.3", RTLD_NOW);
    using NewMethodCall = void* (*)(const char*, const char*, const char*, const char*);
    auto* newMethodCall = library ? reinterpret_cast<NewMethodCall>(::dlsym(library, "dbus_message_new_method_call")) : nullptr;
    if (!newMethodCall)
        return false;
    sink = newMethodCall("org.quillo.Check", "/org/quillo/Check", "org.quillo.Check", "Drop");
    sink = nullptr;
    return true;
}

__attribute__((noinline)) void dropOwnBlock()
{
    sink = std::malloc(1024);
    sink = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "library") == 0)
        return dropLibraryBlock() ? 0 : 2;
    if (argc == 2 && std::strcmp(argv[1], "own") == 0) {
        dropOwnBlock();
        return 0;
    }
    return 2;
}
