// Runs a libFuzzer target without libFuzzer: every file of the seed folders first, then a bounded
// number of inputs made by a fixed-seed generator (random bytes, and seeds with bytes flipped,
// inserted, erased, repeated or spliced), so that a run is reproducible. Each input sits in a heap
// block of exactly its size, so that an address sanitizer build catches a read past its end.
//
// usage: <target> [seed folder or file ...]   QUILLO_FUZZ_RUNS (default 3000), QUILLO_FUZZ_SEED

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

void runOne(const Bytes& input)
{
    // A fresh block of the exact size: no slack after the last byte.
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[std::max<std::size_t>(input.size(), 1)]);
    std::copy(input.begin(), input.end(), block.get());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : block.get(), input.size());
}

Bytes readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Bytes> readSeeds(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
        } else if (std::filesystem::is_regular_file(path, error)) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<Bytes> seeds;
    for (const auto& file : files)
        seeds.push_back(readFile(file));
    return seeds;
}

class Mutator
{
public:
    Mutator(std::uint32_t seed, const std::vector<Bytes>& seeds) : m_random(seed), m_seeds(seeds) {}

    Bytes next()
    {
        if (m_seeds.empty() || pick(4) == 0)
            return randomBytes(pick(512));
        Bytes input = m_seeds[pick(m_seeds.size())];
        const std::size_t edits = 1 + pick(8);
        for (std::size_t i = 0; i < edits; ++i)
            mutate(input);
        return input;
    }

private:
    std::size_t pick(std::size_t bound) { return bound == 0 ? 0 : m_random() % bound; }

    std::uint8_t randomByte()
    {
        // Bias towards the bytes parsers look at: markup, line ends, and lead/trail byte edges.
        static constexpr std::uint8_t kInteresting[] = {'<', '>', '/', '"', '\\', '=', '[', ']', ';', ' ',
                                                        '\r', '\n', 0x00, 0x7F, 0x80, 0x81, 0xBF, 0xC0,
                                                        0xE0, 0xED, 0xF0, 0xF4, 0xF8, 0xFC, 0xFE, 0xFF};
        return pick(3) == 0 ? kInteresting[pick(std::size(kInteresting))] : std::uint8_t(m_random());
    }

    Bytes randomBytes(std::size_t size)
    {
        Bytes bytes(size);
        for (auto& b : bytes)
            b = randomByte();
        return bytes;
    }

    void mutate(Bytes& input)
    {
        const std::size_t at = pick(input.size() + 1);
        switch (pick(6)) {
        case 0: // flip a byte
            if (at < input.size())
                input[at] = randomByte();
            break;
        case 1: { // insert a few bytes
            const Bytes extra = randomBytes(1 + pick(8));
            input.insert(input.begin() + at, extra.begin(), extra.end());
            break;
        }
        case 2: // erase a stretch
            input.erase(input.begin() + at, input.begin() + std::min(input.size(), at + 1 + pick(16)));
            break;
        case 3: { // repeat a stretch
            const Bytes stretch(input.begin() + at, input.begin() + std::min(input.size(), at + pick(64)));
            input.insert(input.begin() + at, stretch.begin(), stretch.end());
            break;
        }
        case 4: { // splice another seed in
            const Bytes& other = m_seeds[pick(m_seeds.size())];
            const std::size_t from = pick(other.size() + 1);
            input.insert(input.begin() + at, other.begin() + from, other.begin() + std::min(other.size(), from + pick(256)));
            break;
        }
        default: // cut short
            input.resize(at);
            break;
        }
    }

    std::mt19937 m_random;
    const std::vector<Bytes>& m_seeds;
};

unsigned long fromEnvironment(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<Bytes> seeds = readSeeds(argc, argv);
    for (const Bytes& seed : seeds)
        runOne(seed);
    runOne({});

    const unsigned long runs = fromEnvironment("QUILLO_FUZZ_RUNS", 3000);
    Mutator mutator(std::uint32_t(fromEnvironment("QUILLO_FUZZ_SEED", 5372)), seeds);
    for (unsigned long i = 0; i < runs; ++i)
        runOne(mutator.next());

    std::printf("%zu seeds and %lu generated inputs ran clean\n", seeds.size(), runs);
    return 0;
}
