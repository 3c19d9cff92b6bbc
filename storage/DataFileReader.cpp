#include "storage/DataFileReader.h"

#include "storage/TConfigStreamer.h"

#include <algorithm>
#include <chrono>

DataFileReader::DataFileReader(Source source, int readers, int window, ReadFunction read)
    : source_(std::move(source)), read_(std::move(read)), batching_(readers > 0),
      window_(std::max(window, 1)), readers_(readers),
      chunk_(std::clamp(window_ / (4 * std::max(readers, 1)), 1, 8)) {}

DataFileReader::~DataFileReader() {
    if (!pool_)
        return;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        cancelled_ = true;
    }
    pool_->Wait(batch_, std::chrono::hours(1), [] {});
}

int DataFileReader::DefaultReaders() {
    // More than a reader for each processor: they mostly wait.
    return 16;
}

int DataFileReader::DefaultWindow() {
    // Far more than the readers, so that none waits for the slowest.
    return 1024;
}

void DataFileReader::ReadInTurn(const std::vector<std::shared_ptr<Slot>>& chunk) {
    for (const std::shared_ptr<Slot>& slot : chunk) {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            if (cancelled_)
                return;
        }
        DataFileRecord record = read_(slot->folder, false);
        bool awaited;
        {
            const std::lock_guard<std::mutex> guard(lock_);
            slot->record = std::move(record);
            slot->done = true;
            awaited = awaited_ == slot.get();
        }
        if (awaited)
            finished_.notify_all();
    }
}

void DataFileReader::TopUp() {
    // Until a file is not in memory, only a batch is named.
    const int window = threaded_   ? window_
                       : batching_ ? std::min(window_, BatchedMemoryReads::kBatch)
                                   : 1;
    const int chunkSize = threaded_ ? chunk_ : 1;
    while (!sourceDone_ && int(ahead_.size()) + chunkSize <= window) {
        std::vector<std::shared_ptr<Slot>> chunk;
        while (int(chunk.size()) < chunkSize) {
            std::optional<QString> folder = source_();
            if (!folder) {
                sourceDone_ = true;
                break;
            }
            auto slot = std::make_shared<Slot>();
            slot->folder = std::move(*folder);
            ahead_.push_back(slot);
            chunk.push_back(std::move(slot));
        }
        if (chunk.empty() || !threaded_)
            continue;
        if (!pool_)
            pool_ = std::make_unique<WorkerPool>(readers_);
        for (const std::shared_ptr<Slot>& slot : chunk)
            slot->queued = true;
        pool_->Run(batch_, [this, chunk = std::move(chunk)] { ReadInTurn(chunk); });
    }
    mostHeld_ = std::max(mostHeld_, int(ahead_.size()));
}

void DataFileReader::ReadBatch(Slot& slot) {
    QStringList folders{slot.folder};
    slot.inBatch = true;
    for (const std::shared_ptr<Slot>& next : ahead_) {
        if (folders.size() == BatchedMemoryReads::kBatch)
            break;
        folders << next->folder;
        next->inBatch = true;
    }
    batching_ = batches_.ReadAhead(folders, TConfigStreamer::ConfigFileName());
}

DataFileRecord DataFileReader::Take(const QString& folder) {
    TopUp();
    const auto named = std::find_if(ahead_.begin(), ahead_.end(),
                                    [&](const auto& slot) { return slot->folder == folder; });
    if (named == ahead_.end()) {
        ++misses_;
        return read_(folder, false);
    }
    // Named earlier but no longer asked for; a read still in flight
    // finishes into its own slot.
    ahead_.erase(ahead_.begin(), named);
    const std::shared_ptr<Slot> slot = ahead_.front();
    ahead_.pop_front();
    if (!slot->queued) {
        if (!threaded_ && readers_ > 0) {
            if (batching_ && !slot->inBatch)
                ReadBatch(*slot);
            DataFileRecord record = read_(folder, true);
            if (!record.notInMemory) {
                // A few files now and then fall out of memory on a busy
                // machine; a cold disk misses nearly every one.
                if (++inMemoryRun_ >= kForgetAfter)
                    notInMemory_ = inMemoryRun_ = 0;
                return record;
            }
            inMemoryRun_ = 0;
            if (++notInMemory_ >= kReadAheadAfter) {
                threaded_ = true;
                TopUp();
            }
        }
        return read_(folder, false);
    }
    DataFileRecord record;
    {
        std::unique_lock<std::mutex> guard(lock_);
        awaited_ = slot.get();
        finished_.wait(guard, [&] { return slot->done; });
        awaited_ = nullptr;
        record = std::move(slot->record);
    }
    TopUp();
    return record;
}
