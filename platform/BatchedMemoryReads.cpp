#include "platform/BatchedMemoryReads.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <liburing.h>
#include <linux/openat2.h>

namespace {

thread_local BatchedMemoryReads* current = nullptr;

// Each file's first read; nearly every data file fits it, and a larger one
// is read again on its own.
constexpr unsigned kReadSize = 4096;

// What the user_data of each request says.
enum Step : quint64 { OpenStep = 0, ReadStep = 1, CloseStep = 2 };

quint64 Tag(int index, Step step) {
    return quint64(index) << 2 | step;
}

} // namespace

struct BatchedMemoryReads::Ring {
    io_uring ring{};
    bool ready = false;
    std::vector<char> buffers = std::vector<char>(size_t(kBatch) * kReadSize);

    Ring() {
        // Three requests a file: open, read, close.
        if (io_uring_queue_init(3 * kBatch, &ring, 0) != 0)
            return;
        if (io_uring_register_files_sparse(&ring, kBatch) != 0) {
            io_uring_queue_exit(&ring);
            return;
        }
        ready = true;
    }
    ~Ring() {
        if (ready)
            io_uring_queue_exit(&ring);
    }
};

BatchedMemoryReads::BatchedMemoryReads() : outer_(current) {
    current = this;
}

BatchedMemoryReads::~BatchedMemoryReads() {
    Q_ASSERT(current == this);
    current = outer_;
}

BatchedMemoryReads* BatchedMemoryReads::Current() {
    return current;
}

bool BatchedMemoryReads::ReadAhead(const QStringList& folders, const QString& fileName) {
    if (refused_)
        return false;
    if (!ring_) {
        ring_ = std::make_unique<Ring>();
        if (!ring_->ready) {
            ring_.reset();
            refused_ = true;
            return false;
        }
    }
    // Answers of an earlier batch that were not asked for are of folders
    // no longer read.
    answers_.clear();
    fileName_ = fileName;
    const int count = std::min(int(folders.size()), kBatch);
    // File names as QFile::encodeName makes them, UTF-8, written in place.
    QStringEncoder utf8(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (int i = 0; i < count; ++i)
        room += utf8.requiredSpace(folders[i].size() + fileName.size()) + 1;
    names_.resize(room);
    qsizetype starts[kBatch];
    char* end = names_.data();
    for (int i = 0; i < count; ++i) {
        starts[i] = end - names_.constData();
        end = utf8.appendToBuffer(end, folders[i]);
        end = utf8.appendToBuffer(end, fileName);
        *end++ = '\0';
    }
    open_how how{};
    how.flags = O_RDONLY | O_NONBLOCK;
    how.resolve = RESOLVE_CACHED;
    io_uring* ring = &ring_->ring;
    for (int i = 0; i < count; ++i) {
        // Linked, so that each step waits for the one before; the close
        // runs whether the read succeeded or not.
        io_uring_sqe* open = io_uring_get_sqe(ring);
        io_uring_prep_openat2_direct(open, AT_FDCWD, names_.constData() + starts[i], &how,
                                     unsigned(i));
        open->flags |= IOSQE_IO_LINK;
        open->user_data = Tag(i, OpenStep);
        io_uring_sqe* read = io_uring_get_sqe(ring);
        io_uring_prep_read(read, i, ring_->buffers.data() + size_t(i) * kReadSize, kReadSize, 0);
        read->rw_flags = RWF_NOWAIT;
        read->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
        read->user_data = Tag(i, ReadStep);
        io_uring_sqe* close = io_uring_get_sqe(ring);
        io_uring_prep_close_direct(close, unsigned(i));
        close->user_data = Tag(i, CloseStep);
    }
    std::vector<int> opened(count, 0);
    std::vector<int> read(count, 0);
    int left = 3 * count;
    if (io_uring_submit(ring) < 0) {
        refused_ = true;
        return false;
    }
    while (left > 0) {
        io_uring_cqe* done = nullptr;
        const int waited = io_uring_wait_cqe(ring, &done);
        if (waited == -EINTR)
            continue;
        if (waited < 0) {
            // The requests in flight still use the buffers and names.
            ring_.reset();
            refused_ = true;
            return false;
        }
        const int index = int(done->user_data >> 2);
        switch (Step(done->user_data & 3)) {
        case OpenStep:
            opened[index] = done->res;
            break;
        case ReadStep:
            read[index] = done->res;
            break;
        case CloseStep:
            break;
        }
        io_uring_cqe_seen(ring, done);
        --left;
    }
    for (int i = 0; i < count; ++i) {
        Answer answer;
        answer.folder = folders[i];
        // As ReadIfInMemory answers; a file that filled the read may be
        // longer, and is read again on its own.
        if (opened[i] == -ENOENT || opened[i] == -ENOTDIR || read[i] == -EISDIR)
            answer.read = TextFile::CachedRead::Missing;
        else if (opened[i] < 0 || read[i] < 0)
            answer.read = TextFile::CachedRead::NotInMemory;
        else if (unsigned(read[i]) < kReadSize) {
            answer.read = TextFile::CachedRead::Read;
            answer.data = ring_->buffers.data() + size_t(i) * kReadSize;
            answer.size = read[i];
        }
        answers_.push_back(std::move(answer));
    }
    return true;
}

std::optional<TextFile::CachedRead> BatchedMemoryReads::Take(const QString& path,
                                                             QByteArray* bytes) {
    if (!path.endsWith(fileName_))
        return std::nullopt;
    const QStringView folder = QStringView(path).chopped(fileName_.size());
    const auto found = std::find_if(answers_.begin(), answers_.end(),
                                    [&](const Answer& answer) { return answer.folder == folder; });
    if (found == answers_.end())
        return std::nullopt;
    answers_.erase(answers_.begin(), found);
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.read == TextFile::CachedRead::Read)
        *bytes = QByteArray(answer.data, answer.size);
    return answer.read;
}
