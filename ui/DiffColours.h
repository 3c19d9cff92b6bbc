#pragma once

#include <QColor>
#include <QPalette>
#include <QStringList>
#include <vector>

class QTextDocument;

// The colours comparison tools give a unified diff: added lines green,
// removed lines red, hunk headers blue and bold, the file headers bold on
// grey, each colour across the whole line. The shades follow the palette,
// so that the text stays readable on a light and on a dark one.
class DiffColours {
public:
    enum class Line { Context, FileHeader, Hunk, Added, Removed };

    explicit DiffColours(const QPalette& palette);

    // What each line of a unified diff is. "---" and "+++" head the file
    // only before its first hunk; within a hunk they are a removed or an
    // added line.
    static std::vector<Line> Kinds(const QStringList& lines);

    QColor Foreground(Line line) const;
    // No colour (invalid) for context lines: they keep the panel's own.
    QColor Background(Line line) const;
    static bool Bold(Line line);

    // Colours every line of document, which holds a unified diff.
    void Apply(QTextDocument* document) const;

private:
    bool dark_;
    QColor text_;
};
