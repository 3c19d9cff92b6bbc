#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// A unified diff of two texts, line by line, with three lines of context,
// as a comparison program prints it. Line ends (LF, CR LF, CR) are not
// part of a line.
class UnifiedDiff {
public:
    // The diff, headed by "--- oldName" and "+++ newName"; empty text when
    // the lines are the same. Nothing when more than maxEdits lines would
    // have to be added or removed, which bounds time, memory and length.
    static std::optional<QString> Of(const QString& oldText, const QString& newText,
                                     const QString& oldName, const QString& newName,
                                     int maxEdits = 2000);

    // True for bytes that read as text: no NUL byte in the first 8 KiB and
    // valid UTF-8 throughout.
    static bool IsText(const QByteArray& bytes);

    static QStringList Lines(const QString& text);
};
