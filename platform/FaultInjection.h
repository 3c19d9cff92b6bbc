#pragma once

// A test seam that proves every command whole or nothing: with
// QUORVEL_FAULT=kill@N in the environment the N-th change the program
// makes to the file system kills the process just before it happens, as a
// power cut or "kill -9" would; with stop@N the process stops itself there
// (SIGSTOP) so that a test can send it a signal at that very moment.
// Without the variable it costs one comparison per change.
namespace FaultInjection {

// Called right before every creation, write, rename, attribute change and
// removal of a file or folder.
void BeforeFileSystemChange();

// How many changes this process has made so far.
long ChangesMade();

} // namespace FaultInjection
