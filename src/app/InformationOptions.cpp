#include "app/InformationOptions.h"

#include "core/ProductIdentity.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace quillo {

namespace {

// Kept in step with packaging/quillo.1, which a test checks against this text.
const char kUsage[] =
    "Usage: quillo [OPTION]\n"
    "Desktop translator: a window that translates text of up to 2000 characters.\n"
    "\n"
    "Options:\n"
    "  --translate-selection      translate the selected text in the popup\n"
    "                             (the running copy does it when there is one)\n"
    "  --replace-selection        translate the selected text and type it in its place\n"
    "  --ocr-region               drag a rectangle over the screen and translate its text\n"
    "  --ocr IMAGE                print the text of a picture and end, without a window\n"
    "  --ocr-lang zh,en,...       the languages of --ocr (default zh,en)\n"
    "  --help                     show this help and end\n"
    "  --version                  show the version and end\n"
    "\n"
    "Keys: Ctrl+Alt+T translates the selection anywhere, Ctrl+Alt+R replaces it by its\n"
    "translation, Ctrl+Alt+O reads text on the screen (all changeable in the tray menu's\n"
    "settings); in the window Ctrl+Enter translates,\n"
    "Ctrl+Shift+S swaps the languages and Escape cancels a running translation.\n"
    "\n"
    "The service address comes from QUILLO_SERVICE; without it the program starts its own\n"
    "quillo-server, whose engines are set in ~/.local/share/quillo-server/engines.ini.\n"
    "See quillo(1) for the files the program keeps.\n";

bool asks(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

} // namespace

std::optional<int> AnswerInformationOptions(int argc, char** argv)
{
    std::string answer;
    if (asks(argc, argv, "--help"))
        answer = kUsage;
    else if (asks(argc, argv, "--version"))
        answer = "quillo " + ProgramVersion().toStdString() + '\n';
    else
        return std::nullopt;
    std::fputs(answer.c_str(), stdout);
    // A closed or full standard output is a failure the caller of a script wants to see.
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace quillo
