// quillo-server: every outside service the program talks to, on one port.

#include "server/app/Commands.h"
#include "server/app/EnginesTable.h"
#include "server/app/ServerOptions.h"
#include "server/app/Service.h"

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace quillo::server;
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv, argv + argc));
    switch (line.command) {
    case CommandLine::Command::Serve:
        return RunServe(line.serve);
    case CommandLine::Command::Engines:
        return RunEngines(line.serve);
    case CommandLine::Command::Publish:
        return RunPublish(line.publish);
    case CommandLine::Command::Feedback:
        return RunFeedbackListing(line.feedback);
    case CommandLine::Command::Glossary:
        return RunGlossaryCommand(line.glossary);
    case CommandLine::Command::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case CommandLine::Command::Version:
        std::puts("quillo-server 16");
        return 0;
    case CommandLine::Command::Invalid:
        break;
    }
    std::fprintf(stderr, "quillo-server: %s\n\n%s", line.error.c_str(), UsageText().c_str());
    return 2;
}
