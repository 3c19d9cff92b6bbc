#pragma once

#include "platform/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

// Reads many small files from memory with one call to the kernel for a
// batch (io_uring): while they are in memory, each file's open, read and
// close cost less than entering the kernel for them one by one. While one
// lives, TextFile::ReadIfInMemory on its thread answers from it for the
// files it read ahead. Where the kernel refuses io_uring, it reads nothing
// and every file is read on its own, as before.
class BatchedMemoryReads {
public:
    BatchedMemoryReads();
    ~BatchedMemoryReads();
    BatchedMemoryReads(const BatchedMemoryReads&) = delete;
    BatchedMemoryReads& operator=(const BatchedMemoryReads&) = delete;

    // The innermost one alive on this thread, or null.
    static BatchedMemoryReads* Current();

    // How many files one batch reads.
    static constexpr int kBatch = 64;

    // Reads the file fileName in each of folders (at most kBatch, each
    // ending with "/") as far as they are in memory, for Take to hand out;
    // false when batches cannot be read here.
    bool ReadAhead(const QStringList& folders, const QString& fileName);
    // What ReadIfInMemory answers for path, when it was read ahead; the
    // answers for paths before it are dropped. Nothing for a path not read
    // ahead, or a file larger than a batch reads of each.
    std::optional<TextFile::CachedRead> Take(const QString& path, QByteArray* bytes);

private:
    struct Ring;
    struct Answer {
        QString folder;
        std::optional<TextFile::CachedRead> read;
        // The file's bytes, in the ring's buffers until the next batch:
        // copied as each is taken, the copies come and go one at a time,
        // as the allocator serves quickest.
        const char* data = nullptr;
        qsizetype size = 0;
    };

    BatchedMemoryReads* outer_;
    std::unique_ptr<Ring> ring_;
    bool refused_ = false;
    std::deque<Answer> answers_;
    QString fileName_;
    // The batch's paths, one after another, each ended by a NUL; kept to
    // be filled again without allocating.
    QByteArray names_;
};
