#include "platform/FaultInjection.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace FaultInjection {

namespace {

enum class Action { None, Kill, Stop };

struct Fault {
    Action action = Action::None;
    long at = 0;
};

Fault ReadFault() {
    Fault fault;
    const char* text = std::getenv("QUORVEL_FAULT");
    if (!text)
        return fault;
    const char* at = std::strchr(text, '@');
    if (!at)
        return fault;
    const long n = std::strtol(at + 1, nullptr, 10);
    if (n <= 0)
        return fault;
    if (std::strncmp(text, "kill@", 5) == 0)
        fault.action = Action::Kill;
    else if (std::strncmp(text, "stop@", 5) == 0)
        fault.action = Action::Stop;
    fault.at = n;
    return fault;
}

// Copies change the file system from several threads at once.
std::atomic<long> changes{0};

} // namespace

void BeforeFileSystemChange() {
    static const Fault fault = ReadFault();
    const long change = ++changes;
    if (fault.action == Action::None || change != fault.at)
        return;
    if (fault.action == Action::Kill)
        ::kill(::getpid(), SIGKILL);
    else
        ::kill(::getpid(), SIGSTOP);
}

long ChangesMade() {
    return changes;
}

} // namespace FaultInjection
