#pragma once

#include <QString>

#include <atomic>

// How new files are put on disk before they are shown: by one syncfs of
// their file system where that reaches its storage, else by a sync of each
// file and folder.
class DurabilityRule {
public:
    // Whether one syncfs of the file system that holds the open file or
    // folder fd puts all that was written there on its storage. False for
    // FUSE (the kernel does not pass syncfs on to the file system), SMB and
    // 9P (data goes to the server, which is not asked to store it), eCryptfs
    // (the data stays in the cache of the file system below), and where the
    // file system cannot be told.
    static bool SyncfsReachesStorage(int fd);

    // For benchmarks: the answer SyncfsReachesStorage gives from now on,
    // whatever the file system, or the rule's again.
    enum class Answer { ByFileSystem, Yes, No };
    static void SetAnswerForBenchmarks(Answer answer);

    // Syncs the folder that holds path, so that a name made, renamed or
    // removed there survives a power cut. Gives up quietly: the change
    // itself is done.
    static void SyncFolderHolding(const QString& path);

private:
    static std::atomic<Answer> answer_;
};
