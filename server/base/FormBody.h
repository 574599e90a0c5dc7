#pragma once
// Form bodies as the program and ordinary clients send them. The program's bodies are built by
// concatenation: some carry the user's text unescaped, so an "&" inside the text is not a field
// separator. parseWithText() therefore takes the text field to run up to the last occurrence of
// the field that follows it, which no text can fake.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo::server {

// Holds views into the body it was parsed from, which must outlive it.
class FormBody {
public:
    // Fields split at "&", name and value at the first "="; values stay escaped.
    static FormBody parse(std::string_view body);
    // As parse(), except that the field textName runs up to the last "&nextName=" after it.
    static FormBody parseWithText(std::string_view body, std::string_view textName,
                                  std::string_view nextName);

    // The raw (still escaped) value of the first field with this name.
    std::optional<std::string_view> raw(std::string_view name) const;
    bool empty() const { return fields_.empty(); }
    // Every field in the order sent (names and values still escaped).
    const std::vector<std::pair<std::string_view, std::string_view>>& fields() const { return fields_; }

private:
    void append(std::string_view body);

    std::vector<std::pair<std::string_view, std::string_view>> fields_;
};

} // namespace quillo::server
