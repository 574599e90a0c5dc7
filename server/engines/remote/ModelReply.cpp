#include "server/engines/remote/ModelReply.h"

#include "server/base/TextTools.h"

#include <array>
#include <utility>

namespace quillo::server {

namespace {

std::string_view withoutReasoning(std::string_view reply)
{
    const std::string_view text = Trimmed(reply);
    constexpr std::string_view open = "<think>", close = "</think>";
    if (text.substr(0, open.size()) != open)
        return text;
    const size_t end = text.find(close);
    return end == std::string_view::npos ? text : Trimmed(text.substr(end + close.size()));
}

// "Here is the translation:" and the like, alone on the first line.
std::string_view withoutPreamble(std::string_view text, std::string_view source)
{
    static constexpr std::array<std::string_view, 6> openings{
        "Here is the translation", "Here's the translation", "Translation", "以下是", "译文", "翻译"};
    const size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos)
        return text;
    const std::string_view first = Trimmed(text.substr(0, lineEnd));
    const bool endsWithColon = first.ends_with(":") || first.ends_with("：");
    if (!endsWithColon || source.find(first) != std::string_view::npos)
        return text;
    for (std::string_view opening : openings) {
        if (first.starts_with(opening))
            return Trimmed(text.substr(lineEnd + 1));
    }
    return text;
}

std::string_view withoutWrapping(std::string_view text, std::string_view source)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> pairs{{
        {"\"", "\""}, {"“", "”"}, {"「", "」"}, {"『", "』"}, {"'", "'"}}};
    for (const auto& [open, close] : pairs) {
        const bool wrapped = text.size() >= open.size() + close.size() && text.starts_with(open)
            && text.ends_with(close);
        if (!wrapped || Trimmed(source).starts_with(open))
            continue;
        const std::string_view inner = text.substr(open.size(), text.size() - open.size() - close.size());
        // A quote inside means the marks may belong to the text ("a" and "b").
        if (inner.find(open) == std::string_view::npos && inner.find(close) == std::string_view::npos)
            return Trimmed(inner);
    }
    constexpr std::string_view fence = "```";
    if (text.starts_with(fence) && text.ends_with(fence) && text.size() > 2 * fence.size()
        && source.find(fence) == std::string_view::npos) {
        const size_t bodyStart = text.find('\n');
        if (bodyStart != std::string_view::npos && bodyStart < text.size() - fence.size())
            return Trimmed(text.substr(bodyStart + 1, text.size() - fence.size() - bodyStart - 1));
    }
    return text;
}

} // namespace

std::string CleanModelReply(std::string_view reply, std::string_view source)
{
    const std::string_view text = withoutReasoning(reply);
    return std::string(withoutWrapping(withoutPreamble(text, source), source));
}

} // namespace quillo::server
