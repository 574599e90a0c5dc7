#include "server/engines/EngineRegistry.h"

#include <algorithm>
#include <charconv>

namespace quillo::server {

namespace {

bool wholeNumber(std::string_view text, long long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string_view EngineKindName(EngineKind kind)
{
    switch (kind) {
    case EngineKind::MachineTranslation:
        return "machine-translation";
    case EngineKind::LanguageModel:
        return "language-model";
    case EngineKind::Dictionary:
        return "dictionary";
    case EngineKind::OnlineService:
        return "online-service";
    }
    return "machine-translation";
}

std::string EngineConfig::value(std::string_view key) const
{
    const auto found = values_.find(key);
    return found == values_.end() ? std::string() : found->second;
}

long long EngineConfig::number(std::string_view key) const
{
    long long number = 0;
    return wholeNumber(value(key), number) ? number : 0;
}

bool EngineOption::accepts(std::string_view value) const
{
    long long number = 0;
    return maximum <= minimum || (wholeNumber(value, number) && number >= minimum && number <= maximum);
}

bool EngineRegistry::add(EngineDescriptor descriptor)
{
    if (find(descriptor.id))
        return false;
    const auto place = std::upper_bound(engines_.begin(), engines_.end(), descriptor.rank,
                                        [](int rank, const EngineDescriptor& e) { return rank < e.rank; });
    engines_.insert(place, std::move(descriptor));
    return true;
}

const EngineDescriptor* EngineRegistry::find(std::string_view id) const
{
    const auto found = std::find_if(engines_.begin(), engines_.end(), [id](const auto& e) { return e.id == id; });
    if (found != engines_.end())
        return &*found;
    const size_t dot = id.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == id.size())
        return nullptr;
    const EngineDescriptor* family = find(id.substr(0, dot));
    return family && family->namedInstances ? family : nullptr;
}

std::string EngineRegistry::displayNameOf(std::string_view id) const
{
    const EngineDescriptor* engine = find(id);
    if (!engine)
        return std::string(id);
    if (engine->id == id)
        return engine->displayName;
    return engine->displayName + "（" + std::string(id.substr(engine->id.size() + 1)) + "）";
}

} // namespace quillo::server
