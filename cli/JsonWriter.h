#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// Writes one JSON document, indented, with the keys in the order they are
// given (scripts and people read the fields in the documented order).
class JsonWriter {
public:
    using Sink = std::function<void(const QByteArray&)>;

    // Keeps the whole document (see Document).
    JsonWriter() = default;
    // Hands the text to sink in pieces as it grows, so that a large
    // document is never held whole; Finish hands over the rest.
    explicit JsonWriter(Sink sink) : sink_(std::move(sink)) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The next value belongs to this key of the open object.
    void Key(const QString& name);
    void String(const QString& value);
    void Number(qint64 value);
    // A key with its value.
    void Field(const QString& name, const QString& value) {
        Key(name);
        String(value);
    }
    void Field(const QString& name, qint64 value) {
        Key(name);
        Number(value);
    }

    // The document, ending with a line break.
    QByteArray Document() const { return out_ + '\n'; }
    // Hands the rest of the document, with its closing line break, to the sink.
    void Finish();

    static QByteArray Escaped(const QString& text);

private:
    struct Level {
        bool isObject;
        bool empty;
    };
    void BeforeValue();
    void Open(char bracket, bool isObject);
    void Close(char bracket);
    void NewLine();
    // Passes what is written so far to the sink once it is large enough.
    void MaybeHandOver();

    Sink sink_;
    QByteArray out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};
