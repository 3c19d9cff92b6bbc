#pragma once

#include <optional>

// The options the desktop program answers on the terminal before it creates
// anything (no display, no settings file): --version and --help.
class StartOptions {
public:
    // When argv asks for the version or for help, prints it to stdout and
    // returns the exit status; otherwise returns nothing and the program
    // starts as usual (Qt takes its own options).
    static std::optional<int> Answer(int argc, char** argv);
};
