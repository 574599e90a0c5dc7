#pragma once
// The memory of one gumbo parse, under a budget of bytes and of processor time. gumbo never
// checks an allocation, and some markup makes it build far more than the page holds (elements
// it reopens for every later block, attributes it compares with every earlier one), so the
// bound has to sit inside the parse: every block gumbo asks for passes through here. A parse that
// goes beyond either budget is abandoned from inside the allocator with a longjmp back to where
// it began. Only gumbo's C frames lie in between, so nothing is skipped that had to be undone;
// every block the parse held is on this arena's list and is freed with it.

#include <gumbo.h>

#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <string_view>

namespace quillo::server {

struct ParseBudget {
    // Bytes gumbo may hold at once, its bookkeeping included. A page of 4 MiB (the largest
    // fetched) takes 10 to 120 MiB, the most when it is nothing but tags.
    size_t memoryBytes = 256 * 1024 * 1024;
    // Processor time of the parsing thread, which a busy machine does not use up: such a page
    // takes under a second.
    std::chrono::milliseconds processorTime{5000};
};

class GumboArena {
public:
    enum class Outcome { Parsed, OutOfMemory, OutOfTime };

    explicit GumboArena(ParseBudget budget);
    ~GumboArena();
    GumboArena(const GumboArena&) = delete;
    GumboArena& operator=(const GumboArena&) = delete;

    // The parsed document, owned by the arena; nullptr when the parse went beyond the budget
    // (outcome() says which). One parse per arena.
    GumboOutput* parse(std::string_view html);
    Outcome outcome() const { return outcome_; }
    const ParseBudget& budget() const { return budget_; }

private:
    struct Block;

    static void* allocate(void* arena, size_t size);
    static void deallocate(void* arena, void* pointer);
    GumboOutput* parseOrAbandon(const GumboOptions& options, std::string_view html);
    [[noreturn]] void abandon(Outcome outcome);
    bool overTime() const;

    ParseBudget budget_;
    Block* blocks_ = nullptr; // every block the parse holds, newest first
    size_t heldBytes_ = 0;
    size_t allocations_ = 0;
    std::chrono::nanoseconds timeAtStart_{};
    Outcome outcome_ = Outcome::Parsed;
    std::jmp_buf abandonParse_;
};

} // namespace quillo::server
