// Language detection of any text: the bytes read as UTF-8 and as UTF-16, which reaches the
// n-gram library and the Chinese conversion with whatever a selection may hold.
#include "core/Languages.h"
#include "detect/LanguageDetect.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(const QString& text)
{
    const int index = quillo::DetectLanguage(text);
    if (index < -1 || index >= quillo::kLanguageCount)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Check(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (!text.isEmpty())
        std::memcpy(text.data(), data, size_t(text.size()) * 2); // the input may be unaligned
    Check(text);
    return 0;
}
