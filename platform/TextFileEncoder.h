#pragma once

#include <QByteArray>
#include <QStringView>

// The bytes of a text file made of a text that comes in parts, exactly as
// TextFile::Encode makes them of the whole: Windows-1252 while every
// character fits, else UTF-8 after a byte-order mark. A large text need
// then never be held whole besides its bytes.
class TextFileEncoder {
public:
    // Room for expectedBytes is taken at once (0: as the bytes grow).
    explicit TextFileEncoder(qsizetype expectedBytes = 0);

    void Add(QStringView text);
    // The bytes so far; the encoder is empty after.
    QByteArray Take();

private:
    // What is there already, and all that follows, as UTF-8.
    void SwitchToUtf8();

    QByteArray bytes_;
    bool utf8_ = false;
};
