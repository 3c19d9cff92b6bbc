#include "cli/JsonWriter.h"

void JsonWriter::NewLine() {
    out += '\n';
    out += QByteArray(qsizetype(levels.size()) * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (levels.empty())
        return;
    if (!levels.back().empty)
        out += ',';
    levels.back().empty = false;
    NewLine();
}

void JsonWriter::Open(char bracket, bool isObject) {
    BeforeValue();
    out += bracket;
    levels.push_back({isObject, true});
}

void JsonWriter::Close(char bracket) {
    const bool wasEmpty = levels.back().empty;
    levels.pop_back();
    if (!wasEmpty)
        NewLine();
    out += bracket;
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
    out += Escaped(name);
    out += ": ";
    afterKey = true;
}

void JsonWriter::String(const QString& value) {
    BeforeValue();
    out += Escaped(value);
}

void JsonWriter::Number(qint64 value) {
    BeforeValue();
    out += QByteArray::number(value);
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
