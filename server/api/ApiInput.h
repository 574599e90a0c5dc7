#pragma once
// The fields of an API request body, however the client sent them: a JSON object, an
// application/x-www-form-urlencoded form, or a multipart/form-data form (what a browser's
// FormData sends). A JSON array of strings, or a form field given more than once, is a list.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

class ApiInput {
public:
    // nullopt with `error` set when the body cannot be read as what its Content-Type says (a
    // body without a JSON or multipart type is read as a form).
    static std::optional<ApiInput> parse(const std::string& contentType, const std::string& body,
                                         std::string& error);

    bool has(const std::string& name) const { return values_.contains(name); }
    bool isList(const std::string& name) const;
    // The first value ("" when absent); numbers and true/false of JSON as their text.
    std::string text(const std::string& name) const;
    const std::vector<std::string>& values(const std::string& name) const;
    bool flag(const std::string& name) const; // true, "true", "1", "on"

private:
    struct Field {
        std::vector<std::string> values;
        bool list = false;
    };
    bool readJson(const std::string& body, std::string& error);
    bool readForm(const std::string& body, std::string& error);
    bool readMultipart(const std::string& body, const std::string& contentType, std::string& error);
    void add(const std::string& name, std::string value);

    std::map<std::string, Field> values_;
};

} // namespace quillo::server
