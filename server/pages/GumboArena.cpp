#include "server/pages/GumboArena.h"

#include <cstdlib>
#include <ctime>

namespace quillo::server {

namespace {

// Reading the thread's clock is a system call: it is read once in this many allocations, which
// gumbo makes at least once per token, so a budget is overrun by a few milliseconds at most.
constexpr size_t kAllocationsPerClockReading = 256;

std::chrono::nanoseconds threadProcessorTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

// Before each block handed to gumbo; its size keeps the block's own alignment that of malloc.
struct alignas(std::max_align_t) GumboArena::Block {
    Block* previous;
    Block* next;
    size_t size;
};

GumboArena::GumboArena(ParseBudget budget) : budget_(budget) {}

GumboArena::~GumboArena()
{
    while (blocks_) {
        Block* next = blocks_->next;
        std::free(blocks_);
        blocks_ = next;
    }
}

GumboOutput* GumboArena::parse(std::string_view html)
{
    GumboOptions options = kGumboDefaultOptions;
    // Parse errors are not used, and recording them copies the stack of open elements for each.
    options.max_errors = 0;
    options.allocator = &GumboArena::allocate;
    options.deallocator = &GumboArena::deallocate;
    options.userdata = this;
    timeAtStart_ = threadProcessorTime();
    return parseOrAbandon(options, html);
}

// Nothing here may hold a resource across the parse: abandon() comes back to the setjmp.
GumboOutput* GumboArena::parseOrAbandon(const GumboOptions& options, std::string_view html)
{
    if (setjmp(abandonParse_) != 0)
        return nullptr;
    return gumbo_parse_with_options(&options, html.empty() ? "" : html.data(), html.size());
}

void GumboArena::abandon(Outcome outcome)
{
    outcome_ = outcome;
    std::longjmp(abandonParse_, 1);
}

bool GumboArena::overTime() const
{
    return threadProcessorTime() - timeAtStart_ > budget_.processorTime;
}

void* GumboArena::allocate(void* userdata, size_t size)
{
    auto& arena = *static_cast<GumboArena*>(userdata);
    const size_t blockSize = sizeof(Block) + size;
    if (size > arena.budget_.memoryBytes || arena.heldBytes_ + blockSize > arena.budget_.memoryBytes)
        arena.abandon(Outcome::OutOfMemory);
    if (++arena.allocations_ % kAllocationsPerClockReading == 0 && arena.overTime())
        arena.abandon(Outcome::OutOfTime);
    auto* block = static_cast<Block*>(std::malloc(blockSize));
    if (!block)
        arena.abandon(Outcome::OutOfMemory);
    *block = Block{nullptr, arena.blocks_, size};
    if (arena.blocks_)
        arena.blocks_->previous = block;
    arena.blocks_ = block;
    arena.heldBytes_ += blockSize;
    return block + 1;
}

void GumboArena::deallocate(void* userdata, void* pointer)
{
    if (!pointer)
        return;
    auto& arena = *static_cast<GumboArena*>(userdata);
    Block* block = static_cast<Block*>(pointer) - 1;
    if (block->previous)
        block->previous->next = block->next;
    else
        arena.blocks_ = block->next;
    if (block->next)
        block->next->previous = block->previous;
    arena.heldBytes_ -= sizeof(Block) + block->size;
    std::free(block);
}

} // namespace quillo::server
