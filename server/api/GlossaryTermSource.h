#pragma once
// The terms the engines keep for a pair. A Chinese term is one term in both scripts: a term kept
// for Simplified Chinese is found in Traditional text too (and a translation kept in one script
// is written in the script asked for).
//
// Translations never wait on the database: they read a copy of the glossary held in memory. The
// copy is taken again at once after this instance changes the glossary, and, for the changes of
// other instances, in the background when a translation finds it older than `maxAge`. A stalled
// database then holds only glossary requests, as it holds only feedback.

#include "server/engines/GlossaryTerms.h"
#include "server/stores/GlossaryStore.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace quillo::server {

class GlossaryTermSource final : public GlossaryStore {
public:
    explicit GlossaryTermSource(GlossaryStore& store, std::chrono::milliseconds maxAge = std::chrono::seconds(5));
    ~GlossaryTermSource() override;

    // Reads the copy; valid while this object lives.
    GlossaryLookup lookup();

    Outcome add(GlossaryEntry& entry, bool& replaced, std::string& error) override;
    Outcome list(const std::string& source, const std::string& target, std::vector<GlossaryEntry>& entries,
                 std::string& error) const override;
    Outcome remove(int64_t id, std::string& error) override;

private:
    using Entries = std::shared_ptr<const std::vector<GlossaryEntry>>;
    std::vector<GlossaryTerm> termsFor(const ServiceLanguage& source, const ServiceLanguage& target);
    void reload();
    void reloadInBackgroundWhenOld();

    GlossaryStore& store_;
    const std::chrono::milliseconds maxAge_;
    std::mutex mutex_;
    Entries entries_;
    std::chrono::steady_clock::time_point loadedAt_;
    std::atomic<bool> reloading_{false};
    std::thread reloader_;
};

} // namespace quillo::server
