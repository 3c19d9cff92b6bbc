#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The size and a hash of a file's bytes, to tell whether writing a file
// would change it. The bytes may come in parts of any size: the same
// bytes give the same fingerprint however they were cut.
class FileFingerprint {
public:
    void Add(QByteArrayView bytes);
    qsizetype Size() const { return size_; }
    bool operator==(const FileFingerprint& other) const;

private:
    // The bytes are hashed in slices of this size, whatever the parts.
    static constexpr qsizetype SliceSize = 64 * 1024;

    qsizetype size_ = 0;
    size_t hash_ = 0;
    // The start of a slice still to be hashed.
    QByteArray pending_;
};
