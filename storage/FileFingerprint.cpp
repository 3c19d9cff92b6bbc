#include "storage/FileFingerprint.h"

#include <QHashFunctions>

#include <algorithm>

void FileFingerprint::Add(QByteArrayView bytes) {
    size_ += bytes.size();
    if (!pending_.isEmpty()) {
        const qsizetype taken = std::min(SliceSize - pending_.size(), bytes.size());
        pending_.append(bytes.first(taken));
        bytes = bytes.sliced(taken);
        if (pending_.size() < SliceSize)
            return;
        hash_ = qHash(QByteArrayView(pending_), hash_);
        pending_.resize(0);
    }
    for (; bytes.size() >= SliceSize; bytes = bytes.sliced(SliceSize))
        hash_ = qHash(bytes.first(SliceSize), hash_);
    pending_.append(bytes);
}

bool FileFingerprint::operator==(const FileFingerprint& other) const {
    return size_ == other.size_ && hash_ == other.hash_ && pending_ == other.pending_;
}
