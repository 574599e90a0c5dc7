#pragma once
// `quillo --ocr IMAGE [--ocr-lang LIST]`: the text of a picture on standard output, read in
// this process without any window and without asking a running copy, so that scripts can use it
// while the program runs.
#include <optional>

namespace quillo {

enum OcrExitCode : int {
    kOcrRead = 0,
    kOcrUsage = 1,
    kOcrUnreadableImage = 2,
    kOcrMissingData = 3,
};

// The exit status when the arguments ask for --ocr (having printed the text or the reason);
// none when they do not, and the program starts as usual.
std::optional<int> RunOcrCommand(int argc, char** argv);

} // namespace quillo
