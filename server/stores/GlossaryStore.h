#pragma once
// The user's glossary: terms per language pair (source term -> target term, an optional note),
// in a SQLite file of the data folder by default, or in PostgreSQL beside the feedback messages.
// A pair holds a term once: adding it again replaces its translation and note, keeping its id.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

struct GlossaryEntry {
    int64_t id = 0;
    std::string source, target; // the API's language codes ("en", "zh-Hans", ...)
    std::string term, translation, note;
};

class GlossaryStore {
public:
    enum class Outcome { Done, NotFound, Failed };

    // A "postgresql://" or "postgres://" address (its migrations applied), else a SQLite file's
    // path (created when missing); nullptr with `error` set on failure.
    static std::unique_ptr<GlossaryStore> open(const std::string& location, std::string& error);
    static std::string defaultPath(const std::string& dataDirectory);

    GlossaryStore() = default;
    virtual ~GlossaryStore() = default;
    GlossaryStore(const GlossaryStore&) = delete;
    GlossaryStore& operator=(const GlossaryStore&) = delete;

    // Sets entry.id; `replaced` tells whether the pair held the term already.
    virtual Outcome add(GlossaryEntry& entry, bool& replaced, std::string& error) = 0;
    // The entries of one pair (both empty: of every pair), by pair and then term.
    virtual Outcome list(const std::string& source, const std::string& target, std::vector<GlossaryEntry>& entries,
                         std::string& error) const = 0;
    virtual Outcome remove(int64_t id, std::string& error) = 0;
};

} // namespace quillo::server
