#include "platform/TextFileEncoder.h"

#include "platform/TextFile.h"

#include <QString>

#include <utility>

TextFileEncoder::TextFileEncoder(qsizetype expectedBytes) {
    bytes_.reserve(expectedBytes);
}

void TextFileEncoder::Add(QStringView text) {
    if (!utf8_) {
        const qsizetype start = bytes_.size();
        bytes_.resize(start + text.size());
        char* out = bytes_.data() + start;
        qsizetype i = 0;
        for (; i < text.size(); ++i) {
            const int byte = TextFile::Windows1252Byte(text[i].unicode());
            if (byte < 0)
                break;
            *out++ = char(byte);
        }
        if (i == text.size())
            return;
        bytes_.truncate(start);
        SwitchToUtf8();
    }
    bytes_ += text.toUtf8();
}

void TextFileEncoder::SwitchToUtf8() {
    QString before(bytes_.size(), Qt::Uninitialized);
    QChar* out = before.data();
    for (const char byte : std::as_const(bytes_))
        *out++ = QChar(TextFile::Windows1252Char(static_cast<unsigned char>(byte)));
    bytes_ = QByteArray("\xEF\xBB\xBF") + before.toUtf8();
    utf8_ = true;
}

QByteArray TextFileEncoder::Take() {
    QByteArray bytes = std::move(bytes_);
    bytes_ = QByteArray();
    utf8_ = false;
    return bytes;
}
