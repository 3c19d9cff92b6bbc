#include "ui/DiffColours.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

struct Shades {
    QColor foreground;
    QColor background;
};

// Light and dark shades of each kind of line, dark text on pale colour or
// pale text on deep colour; each pair well above the contrast that small
// text needs.
Shades ShadesOf(DiffColours::Line line, bool dark) {
    using Line = DiffColours::Line;
    switch (line) {
    case Line::Added:
        return dark ? Shades{QColor(0x8c, 0xe9, 0x9a), QColor(0x17, 0x3b, 0x22)}
                    : Shades{QColor(0x11, 0x63, 0x29), QColor(0xdc, 0xf7, 0xe1)};
    case Line::Removed:
        return dark ? Shades{QColor(0xff, 0xab, 0xa3), QColor(0x4d, 0x1a, 0x1c)}
                    : Shades{QColor(0x9f, 0x1c, 0x24), QColor(0xfd, 0xe2, 0xe0)};
    case Line::Hunk:
        return dark ? Shades{QColor(0x8c, 0xc4, 0xff), QColor(0x14, 0x2b, 0x4d)}
                    : Shades{QColor(0x0b, 0x4a, 0xa6), QColor(0xe0, 0xec, 0xfb)};
    case Line::FileHeader:
        return dark ? Shades{QColor(), QColor(0x3a, 0x3f, 0x47)}
                    : Shades{QColor(), QColor(0xe4, 0xe7, 0xeb)};
    case Line::Context:
        break;
    }
    return {};
}

} // namespace

DiffColours::DiffColours(const QPalette& palette)
    : dark_(palette.color(QPalette::Base).lightnessF() < 0.5),
      text_(palette.color(QPalette::Text)) {}

std::vector<DiffColours::Line> DiffColours::Kinds(const QStringList& lines) {
    std::vector<Line> kinds;
    kinds.reserve(size_t(lines.size()));
    bool inHunk = false;
    for (const QString& line : lines) {
        Line kind = Line::Context;
        if (line.startsWith(QLatin1String("@@"))) {
            kind = Line::Hunk;
            inHunk = true;
        } else if (!inHunk && (line.startsWith(QLatin1String("--- ")) ||
                               line.startsWith(QLatin1String("+++ ")))) {
            kind = Line::FileHeader;
        } else if (line.startsWith(u'+')) {
            kind = Line::Added;
        } else if (line.startsWith(u'-')) {
            kind = Line::Removed;
        }
        kinds.push_back(kind);
    }
    return kinds;
}

QColor DiffColours::Foreground(Line line) const {
    const QColor shade = ShadesOf(line, dark_).foreground;
    return shade.isValid() ? shade : text_;
}

QColor DiffColours::Background(Line line) const {
    return ShadesOf(line, dark_).background;
}

bool DiffColours::Bold(Line line) {
    return line == Line::Hunk || line == Line::FileHeader;
}

void DiffColours::Apply(QTextDocument* document) const {
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text();
    const std::vector<Line> kinds = Kinds(lines);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    size_t at = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next(), ++at) {
        const Line kind = kinds[at];
        if (kind == Line::Context)
            continue;
        QTextBlockFormat lineFormat;
        lineFormat.setBackground(Background(kind));
        QTextCharFormat textFormat;
        textFormat.setForeground(Foreground(kind));
        textFormat.setFontWeight(Bold(kind) ? QFont::Bold : QFont::Normal);
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(lineFormat);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(textFormat);
    }
    cursor.endEditBlock();
}
