#include "cli/JsonWriter.h"

namespace {
// Large enough that the pieces cost nothing, small enough to stay in cache.
constexpr qsizetype kHandOverSize = 64 * 1024;
} // namespace

void JsonWriter::MaybeHandOver() {
    if (sink_ && out_.size() >= kHandOverSize) {
        sink_(out_);
        out_.resize(0);
    }
}

void JsonWriter::Finish() {
    out_ += '\n';
    if (sink_)
        sink_(out_);
    out_.clear();
}

void JsonWriter::NewLine() {
    out_ += '\n';
    out_ += QByteArray(qsizetype(levels_.size()) * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty())
        return;
    if (!levels_.back().empty)
        out_ += ',';
    levels_.back().empty = false;
    NewLine();
}

void JsonWriter::Open(char bracket, bool isObject) {
    BeforeValue();
    out_ += bracket;
    levels_.push_back({isObject, true});
}

void JsonWriter::Close(char bracket) {
    const bool wasEmpty = levels_.back().empty;
    levels_.pop_back();
    if (!wasEmpty)
        NewLine();
    out_ += bracket;
    MaybeHandOver();
}

void JsonWriter::BeginObject() {
    Open('{', true);
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray() {
    Open('[', false);
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(const QString& name) {
    BeforeValue();
    out_ += Escaped(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(const QString& value) {
    BeforeValue();
    out_ += Escaped(value);
}

void JsonWriter::Number(qint64 value) {
    BeforeValue();
    out_ += QByteArray::number(value);
}

QByteArray JsonWriter::Escaped(const QString& text) {
    QByteArray result = "\"";
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '"':
            result += "\\\"";
            break;
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char hex[] = "0123456789abcdef";
                result += "\\u00";
                result += hex[(c >> 4) & 0xf];
                result += hex[c & 0xf];
            } else {
                result += c;
            }
        }
    }
    result += '"';
    return result;
}
