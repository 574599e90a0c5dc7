#include "translate/OpenCC.h"

#include "core/RuntimeLibrary.h"

#include <opencc/opencc.h>

#include <QtGlobal>

#include <memory>

#ifndef QUILLO_LIBOPENCC_NAME
#define QUILLO_LIBOPENCC_NAME "libopencc.so.1.1"
#endif

namespace quillo {

namespace {

// X(member): the member `member` points at libopencc's `opencc_member`.
#define QUILLO_OPENCC_FUNCTIONS(X) \
    X(open)                        \
    X(close)                       \
    X(convert_utf8)                \
    X(convert_utf8_free)           \
    X(error)

struct OpenCCApi {
    // Typed after the header's declarations, so a signature that does not match fails to build.
#define QUILLO_OPENCC_MEMBER(name) decltype(&::opencc_##name) name = nullptr;
    QUILLO_OPENCC_FUNCTIONS(QUILLO_OPENCC_MEMBER)
#undef QUILLO_OPENCC_MEMBER
};

struct LoadedApi {
    std::optional<OpenCCApi> api;
    QString reason;
};

LoadedApi loadApi()
{
    // Never unloaded: the converters below live until the process ends.
    static RuntimeLibrary library(QUILLO_LIBOPENCC_NAME);
    LoadedApi loaded;
    OpenCCApi api;
    bool complete = library.IsLoaded();
#define QUILLO_OPENCC_RESOLVE(name) complete = complete && library.Resolve(api.name, "opencc_" #name);
    QUILLO_OPENCC_FUNCTIONS(QUILLO_OPENCC_RESOLVE)
#undef QUILLO_OPENCC_RESOLVE
    if (complete)
        loaded.api = api;
    else
        loaded.reason = library.ErrorString();
    return loaded;
}

const LoadedApi& loadedApi()
{
    static const LoadedApi loaded = loadApi();
    return loaded;
}

// One opened configuration. opencc_open answers a failure with (opencc_t)-1, not null.
class Converter {
public:
    explicit Converter(ScriptDirection direction)
    {
        const LoadedApi& loaded = loadedApi();
        const char* configuration =
            direction == ScriptDirection::SimplifiedToTraditional ? OPENCC_DEFAULT_CONFIG_SIMP_TO_TRAD
                                                                  : OPENCC_DEFAULT_CONFIG_TRAD_TO_SIMP;
        if (!loaded.api) {
            m_reason = loaded.reason;
        } else {
            m_api = &*loaded.api;
            const opencc_t handle = m_api->open(configuration);
            if (handle != reinterpret_cast<opencc_t>(-1))
                m_handle = handle;
            else
                m_reason = QStringLiteral("OpenCC cannot open %1: %2")
                               .arg(QLatin1String(configuration), QString::fromUtf8(m_api->error()));
        }
        if (!m_handle)
            qWarning("Chinese script conversion falls back to the character tables: %s", qUtf8Printable(m_reason));
    }
    ~Converter()
    {
        if (m_handle)
            m_api->close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::optional<QByteArray> convert(const QByteArray& utf8) const
    {
        if (!m_handle)
            return std::nullopt;
        const std::unique_ptr<char, void (*)(char*)> converted(
            m_api->convert_utf8(m_handle, utf8.constData(), std::size_t(utf8.size())), m_api->convert_utf8_free);
        if (!converted)
            return std::nullopt;
        return QByteArray(converted.get());
    }

    QString reason() const { return m_reason; }

private:
    const OpenCCApi* m_api = nullptr;
    opencc_t m_handle = nullptr;
    QString m_reason;
};

// Each direction opens its dictionaries only when it is first asked for.
const Converter& converter(ScriptDirection direction)
{
    if (direction == ScriptDirection::SimplifiedToTraditional) {
        static const Converter toTraditional(direction);
        return toTraditional;
    }
    static const Converter toSimplified(direction);
    return toSimplified;
}

} // namespace

std::optional<QByteArray> OpenCCConvert(ScriptDirection direction, const QByteArray& utf8)
{
    return converter(direction).convert(utf8);
}

QString OpenCCUnavailableReason(ScriptDirection direction)
{
    return converter(direction).reason();
}

} // namespace quillo
