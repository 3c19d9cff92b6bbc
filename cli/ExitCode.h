#pragma once

// What quorvel-cli tells the shell.
namespace ExitCode {
// The command did what it was asked; for diff: the folders are the same.
constexpr int Done = 0;
// A refusal, a Cancel, an error, a name not found; for diff: they differ.
constexpr int Failed = 1;
// The command line was wrong; for diff: anything that went wrong.
constexpr int Usage = 2;
// Ended early by the signal, as the shell reports a program it killed.
constexpr int Interrupted(int signal) {
    return 128 + signal;
}
} // namespace ExitCode
