#include "cli/Console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/ioctl.h>
#include <unistd.h>

bool Console::statusShown_ = false;

namespace {

// What may go wrong with stdout is found out at the end; remember the first.
int stdoutError = 0;

void WriteOut(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) &&
        stdoutError == 0)
        stdoutError = errno ? errno : EIO;
}

} // namespace

void Console::Out(const QString& text) {
    WriteOut(text.toUtf8());
}

void Console::OutLine(const QString& text) {
    WriteOut(text.toUtf8() + '\n');
}

void Console::OutBytes(const QByteArray& bytes) {
    WriteOut(bytes);
}

void Console::WriteErr(const QByteArray& bytes) {
    // stdout and stderr often share a terminal: keep their order.
    std::fflush(stdout);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void Console::ErrLine(const QString& text) {
    ClearStatus();
    WriteErr(text.toUtf8() + '\n');
}

bool Console::StdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool Console::StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

int Console::TerminalColumns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void Console::Status(const QString& text) {
    if (!StderrIsTerminal())
        return;
    // A line that wraps could not be overwritten in place.
    QString shown = text;
    const int room = TerminalColumns() - 1;
    if (shown.size() > room)
        shown = shown.left(std::max(0, room - 3)) + QStringLiteral("...");
    shown.replace(u'\r', u' ').replace(u'\n', u' ');
    WriteErr("\r\033[K" + shown.toUtf8());
    statusShown_ = true;
}

void Console::ClearStatus() {
    if (!statusShown_)
        return;
    statusShown_ = false;
    WriteErr("\r\033[K");
}

bool Console::ReadLine(QString* line) {
    std::string bytes;
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF) {
            // Ctrl-C while typing is no answer, whatever was typed.
            if (bytes.empty() || std::ferror(stdin))
                return false;
            break;
        }
        if (c == '\n')
            break;
        bytes.push_back(char(c));
    }
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    *line = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    return true;
}

bool Console::FinishOutput(QString* reason) {
    if (std::fflush(stdout) != 0 && stdoutError == 0)
        stdoutError = errno ? errno : EIO;
    if (stdoutError == 0 || stdoutError == EPIPE)
        return true;
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(stdoutError));
    return false;
}
