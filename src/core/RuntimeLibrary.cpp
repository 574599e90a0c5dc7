#include "core/RuntimeLibrary.h"

#include <dlfcn.h>

namespace quillo {

namespace {

QString lastLoaderError()
{
    const char* text = dlerror();
    return text ? QString::fromLocal8Bit(text) : QString();
}

} // namespace

RuntimeLibrary::RuntimeLibrary(const char* fileName) : m_fileName(QString::fromLocal8Bit(fileName))
{
    // RTLD_LOCAL: its symbols stay out of the global namespace the rest of the program sees.
    m_handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        m_error = QStringLiteral("%1 cannot be loaded: %2").arg(m_fileName, lastLoaderError());
}

void* RuntimeLibrary::lookUp(const char* name)
{
    if (!m_handle)
        return nullptr;
    // A function is never at address zero, so null means missing.
    void* address = dlsym(m_handle, name);
    if (!address)
        m_error = QStringLiteral("%1 lacks %2").arg(m_fileName, QString::fromLatin1(name));
    return address;
}

} // namespace quillo
