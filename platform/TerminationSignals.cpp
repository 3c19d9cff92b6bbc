#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t arrived = 0;
int wakeUp[2] = {-1, -1};

void OnSignal(int signal) {
    if (arrived != 0) {
        // Asked twice: the user means it.
        std::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    arrived = signal;
    if (wakeUp[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    }
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Deliver);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait for an answer on the terminal ends, as the user
    // meant; the copy retries its own interrupted calls.
    action.sa_flags = 0;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete notifier_;
    for (int& fd : wakeUp) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool TerminationSignals::Requested() {
    return arrived != 0;
}

int TerminationSignals::Signal() {
    return arrived;
}

void TerminationSignals::Deliver() {
    char buffer[16];
    while (::read(wakeUp[0], buffer, sizeof buffer) > 0) {
    }
    emit requested();
}
