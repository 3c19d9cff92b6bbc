#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Writes one JSON document, indented, with the keys in the order they are
// given (scripts and people read the fields in the documented order).
class JsonWriter {
public:
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

    QByteArray out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};
