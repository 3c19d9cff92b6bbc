#include "platform/ProfileFile.h"

#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Windows hands out at most this many characters through the 2048-character
// buffer the program reads values with.
constexpr qsizetype kMaxValueLength = 2047;

struct Line {
    enum Kind { Other, Section, Key };
    QString text;
    Kind kind = Other;
    QString name;  // section or key name
    QString value; // raw value of a key, blanks trimmed
};

using Lines = std::vector<Line>;

Line ParseLine(const QString& text) {
    Line line;
    line.text = text;
    const QString trimmed = TextRules::Trim(text);
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimmed.mid(1, close - 1);
            return line;
        }
    }
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals >= 0) {
        line.kind = Line::Key;
        line.name = TextRules::Trim(QStringView(trimmed).left(equals));
        line.value = TextRules::Trim(QStringView(trimmed).mid(equals + 1));
    }
    return line;
}

Lines Parse(const QString& text) {
    Lines lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lines.push_back(ParseLine(text.mid(start, end - start)));
        if (end < size && text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

// Empty text for a missing file; nothing for one that exists but cannot
// be read, which a write must then leave alone.
std::optional<QString> ReadText(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? std::nullopt : std::optional<QString>(QString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return TextFile::Decode(bytes);
}

Lines Load(const QString& fileName) {
    const std::optional<QString> text = ReadText(fileName);
    return text ? Parse(*text) : Lines();
}

// Index of the first section called name, or -1.
qsizetype FindSection(const Lines& lines, const QString& name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && ProfileFile::SameName(lines[i].name, name))
            return qsizetype(i);
    }
    return -1;
}

// One past the last line of the section whose header stands at header.
qsizetype SectionEnd(const Lines& lines, qsizetype header) {
    qsizetype i = header + 1;
    while (i < qsizetype(lines.size()) && lines[i].kind != Line::Section)
        ++i;
    return i;
}

qsizetype FindKey(const Lines& lines, qsizetype header, const QString& key) {
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines[i].kind == Line::Key && ProfileFile::SameName(lines[i].name, key))
            return i;
    }
    return -1;
}

QString Unquoted(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

QByteArray Encode(const QString& text) {
    if (TextFile::FitsWindows1252(text))
        return TextFile::EncodeWindows1252(text);
    QByteArray bytes("\xFF\xFE");
    bytes.reserve(2 + text.size() * 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

ProfileFile::ProfileFile(QString fileName) : fileName_(std::move(fileName)) {}

bool ProfileFile::SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ProfileFile::CanHold(QStringView text) {
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return false;
    }
    return true;
}

QString ProfileFile::ReadString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const Lines lines = Load(fileName_);
    const qsizetype header = FindSection(lines, section);
    const qsizetype at = header < 0 ? -1 : FindKey(lines, header, key);
    const QString value = at < 0 ? defaultValue : Unquoted(lines[at].value);
    return value.left(kMaxValueLength);
}

int ProfileFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    return TextRules::ParseInt32(ReadString(section, key, QString())).value_or(defaultValue);
}

bool ProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList ProfileFile::SectionNames() const {
    QStringList names;
    for (const Line& line : Load(fileName_)) {
        if (line.kind != Line::Section)
            continue;
        const bool known = std::any_of(names.cbegin(), names.cend(), [&](const QString& name) {
            return SameName(name, line.name);
        });
        if (!known)
            names << line.name;
    }
    return names;
}

void ProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
    // A line break would turn the rest of the text into lines of its own.
    if (!CanHold(section) || !CanHold(key) || !CanHold(value) || key.contains(u'='))
        throw Refused();
    const std::optional<QString> text = pending_ ? pending_ : ReadText(fileName_);
    if (!text)
        throw Refused();
    Lines lines = Parse(*text);

    const qsizetype header = FindSection(lines, section);
    if (header < 0) {
        lines.push_back(ParseLine(u'[' + section + u']'));
        lines.push_back(ParseLine(key + u'=' + value));
    } else if (const qsizetype at = FindKey(lines, header, key); at >= 0) {
        // A write that changes nothing does not touch the file.
        if (lines[at].value == value)
            return;
        lines[at] = ParseLine(lines[at].name + u'=' + value);
    } else {
        // After the section's last line that holds anything, so that a
        // blank line before the next section stays where it is.
        qsizetype insertAt = SectionEnd(lines, header);
        while (insertAt > header + 1 && TextRules::Trim(lines[insertAt - 1].text).isEmpty())
            --insertAt;
        lines.insert(lines.begin() + insertAt, ParseLine(key + u'=' + value));
    }

    QString out;
    for (const Line& line : lines)
        out += line.text + QLatin1String("\r\n");
    if (batching_)
        pending_ = out;
    else
        Store(out);
}

void ProfileFile::BeginWrites() {
    batching_ = true;
    pending_.reset();
}

void ProfileFile::EndWrites() {
    batching_ = false;
    const std::optional<QString> out = std::move(pending_);
    pending_.reset();
    if (out)
        Store(*out);
}

void ProfileFile::CancelWrites() {
    batching_ = false;
    pending_.reset();
}

QuorvelError ProfileFile::Refused() const {
    return QuorvelError(QStringLiteral("Unable to write to %1").arg(fileName_));
}

void ProfileFile::Store(const QString& text) {
    // The user's configuration folder may not exist yet.
    FileSystem::MakePath(QFileInfo(fileName_).absolutePath(), nullptr);
    try {
        TextFile::WriteAtomically(fileName_, Encode(text));
    } catch (const QuorvelError&) {
        throw Refused();
    }
}

void ProfileFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void ProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
