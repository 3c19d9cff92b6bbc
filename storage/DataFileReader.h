#pragma once

#include "platform/BatchedMemoryReads.h"
#include "platform/FolderHandleCache.h"
#include "platform/WorkerPool.h"
#include "storage/DataFileRecord.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Reads the data files of many folders with several reads in flight, and
// hands each back on the thread that asks, in the order it asks. A cold
// disk (or a network share) answers many small reads at once about as fast
// as one, so one read at a time leaves it idle. While the files are in
// memory the asking thread reads them itself, a batch at a time with one
// call to the kernel (BatchedMemoryReads): handing each to another thread
// would cost more than the read. When a few close together are not in
// memory, reader threads start and read ahead.
//
// The caller names the folders it will ask for through a source, asked on
// its own thread whenever the read-ahead has room; no more than a window of
// records is held at once, so memory stays flat however many there are.
// Take then asks for each folder in turn. A folder the source did not name
// next (the catalogue changed meanwhile) is still answered: records named
// before it are dropped, or it is read at once when it was not named.
// Dropping the reader drops what it read ahead (Cancel).
class DataFileReader {
public:
    // The next folder (ending with "/") whose data file will be asked for;
    // nothing when no more will.
    using Source = std::function<std::optional<QString>()>;
    // How a folder's data file is read (see DataFileRecord::ReadNow).
    using ReadFunction = std::function<DataFileRecord(const QString& folder, bool onlyInMemory)>;

    explicit DataFileReader(Source source, int readers = DefaultReaders(),
                            int window = DefaultWindow(),
                            ReadFunction read = &DataFileRecord::ReadNow);
    DataFileReader(Source source, ReadFunction read)
        : DataFileReader(std::move(source), DefaultReaders(), DefaultWindow(), std::move(read)) {}
    // Waits only for the reads in flight, which are thrown away.
    ~DataFileReader();
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;

    // The record of folder's data file.
    DataFileRecord Take(const QString& folder);

    // Folders asked for that the source had not named, read at once.
    int Misses() const { return misses_; }
    // The most records read ahead and not yet taken at one time.
    int MostHeld() const { return mostHeld_; }
    // Whether reader threads read ahead (a file was not in memory).
    bool ReadsAhead() const { return threaded_; }

    // Reads in flight: enough to keep a disk's queue busy.
    static int DefaultReaders();
    static int DefaultWindow();

private:
    struct Slot {
        QString folder;
        // Its file was in a batch read from memory.
        bool inBatch = false;
        // Handed to a reader thread; else read when asked for.
        bool queued = false;
        bool done = false;
        DataFileRecord record;
    };

    void TopUp();
    // Reads the files of slot and the folders named after it from memory,
    // a batch at once.
    void ReadBatch(Slot& slot);
    void ReadInTurn(const std::vector<std::shared_ptr<Slot>>& chunk);

    Source source_;
    ReadFunction read_;
    // The asking thread's reads from memory: a batch at a time where the
    // kernel allows, else each from its project's folder.
    FolderHandleCache folders_;
    BatchedMemoryReads batches_;
    bool batching_;
    const int window_;
    bool sourceDone_ = false;
    bool threaded_ = false;
    // Files not in memory lately, and in memory since the last that was not.
    int notInMemory_ = 0;
    int inMemoryRun_ = 0;
    static constexpr int kReadAheadAfter = 4;
    static constexpr int kForgetAfter = 256;
    std::deque<std::shared_ptr<Slot>> ahead_;
    int misses_ = 0;
    int mostHeld_ = 0;
    const int readers_;
    // Folders each reader task reads one after another: a task for each
    // file would spend more on waking threads than on reading.
    const int chunk_;
    // Guards every Slot's done and record, awaited_ and cancelled_.
    std::mutex lock_;
    const Slot* awaited_ = nullptr;
    std::condition_variable finished_;
    bool cancelled_ = false;
    WorkerPool::Batch batch_;
    // Last, so that its threads end before anything they use.
    std::unique_ptr<WorkerPool> pool_;
};
