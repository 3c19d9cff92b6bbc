#include "ui/StartOptions.h"

#include "QuorvelVersion.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const helpText =
    "Usage: quorvel [--version | --help]\n"
    "\n"
    "Opens the Quorvel window on the workspace it had open last (the first\n"
    "time, on the default workspace). Qt's own options, such as -platform, are\n"
    "taken as well.\n"
    "\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n"
    "\n"
    "See quorvel(1); for work from a terminal, quorvel-cli(1).\n";

int Print(const char* text) {
    std::fputs(text, stdout);
    // A full disk or a closed pipe is a failure, as for any tool.
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

std::optional<int> StartOptions::Answer(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("quorvel ", stdout);
            std::fputs(QuorvelVersionText, stdout);
            return Print("\n");
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return Print(helpText);
    }
    return std::nullopt;
}
