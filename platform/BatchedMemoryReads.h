#pragma once

#include "platform/TextFile.h"

#include <QByteArray>
#include <QString>
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

    // Reads the files at paths (at most kBatch) as far as they are in
    // memory, for Take to hand out; false when batches cannot be read here.
    bool ReadAhead(const QStringList& paths);
    // What ReadIfInMemory answers for path, when it was read ahead; the
    // answers for paths before it are dropped. Nothing for a path not read
    // ahead, or a file larger than a batch reads of each.
    std::optional<TextFile::CachedRead> Take(const QString& path, QByteArray* bytes);

private:
    struct Ring;
    struct Answer {
        QString path;
        std::optional<TextFile::CachedRead> read;
        QByteArray bytes;
    };

    BatchedMemoryReads* outer_;
    std::unique_ptr<Ring> ring_;
    bool refused_ = false;
    std::deque<Answer> answers_;
};
