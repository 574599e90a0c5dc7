// Plays the program in the swap test. Started with "wait", it is the running old program and
// ends when its input closes. Started without arguments, it is the new program the swap script
// starts: it notes its start in the file QUILLO_SWAP_MARKER names.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "wait") == 0) {
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    if (const char* marker = std::getenv("QUILLO_SWAP_MARKER")) {
        if (FILE* out = std::fopen(marker, "w")) {
            std::fputs("started\n", out);
            std::fclose(out);
        }
    }
    return 0;
}
