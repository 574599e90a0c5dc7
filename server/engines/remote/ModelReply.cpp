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

constexpr std::string_view kOpen = "<think>", kClose = "</think>";

std::string_view leftTrimmed(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

} // namespace

std::string ReasoningFilter::feed(std::string_view piece)
{
    if (state_ == State::Passing)
        return std::string(piece);
    held_ += piece;
    if (state_ == State::Start) {
        const std::string_view start = leftTrimmed(held_);
        if (start.size() < kOpen.size() && kOpen.starts_with(start))
            return {}; // empty, or maybe the opening tag still arriving
        state_ = start.starts_with(kOpen) ? State::InsideBlock : State::Passing;
        if (state_ == State::Passing) {
            std::string shown(start);
            held_.clear();
            return shown;
        }
    }
    if (state_ == State::InsideBlock) {
        const size_t close = held_.find(kClose);
        if (close == std::string::npos)
            return {};
        held_.erase(0, close + kClose.size());
        state_ = State::AfterBlock;
    }
    const std::string_view after = leftTrimmed(held_);
    if (after.empty())
        return {};
    std::string shown(after);
    held_.clear();
    state_ = State::Passing;
    return shown;
}

std::string ReasoningFilter::finish()
{
    std::string rest = state_ == State::AfterBlock ? std::string() : std::move(held_);
    held_.clear();
    state_ = State::Passing;
    return rest;
}

std::string CleanModelReply(std::string_view reply, std::string_view source)
{
    const std::string_view text = withoutReasoning(reply);
    return std::string(withoutWrapping(withoutPreamble(text, source), source));
}

} // namespace quillo::server
