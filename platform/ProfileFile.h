#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

class QuorvelError;

// An INI file read and written by the rules of the Windows profile
// functions, so that files written by the Windows build read the same here
// and the other way round:
// - sections and keys match without regard to letter case; when a name
//   occurs twice only the first is used;
// - blanks around keys and values do not count, and a value wrapped in
//   double (or single) quotes loses them; a line without "=" is no key;
// - a write changes only the one line it is about (a new key goes at the
//   end of its section, a new section at the end of the file) and reaches
//   the disk at once, through a temporary file; a missing file, and its
//   missing folder, are created by the first write.
// Files are written in Windows-1252 with CR LF line ends; only when a text
// holds a character Windows-1252 lacks is the whole file written as
// UTF-16 LE with a byte-order mark, so that nothing is lost.
class ProfileFile {
public:
    explicit ProfileFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    // The value, at most 2047 characters as Windows returns it; the
    // default when the file, the section or the key is missing.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // A decimal number, or hex after "0x", "0X" or "$"; anything else
    // gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // True for every integer but 0.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    // Every section name once, spelt as it first stands, in file order.
    QStringList SectionNames() const;

    // Raise QuorvelError "Unable to write to <file>" when the file cannot
    // be read or written, or when a text cannot be held by one INI line
    // (see CanHold); the file is then unchanged.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // The writes up to EndWrites reach the file together, as one write at
    // EndWrites, so that a crash leaves the old file or the new one and
    // never a mixture. A write that changes no value changes nothing.
    void BeginWrites();
    // Raises as the writes do; the file is then unchanged.
    void EndWrites();
    // Drops the writes of the batch; the file stays as it was.
    void CancelWrites();

    // Whether two section or key names are the same to the profile rules.
    static bool SameName(QStringView a, QStringView b);
    // False for text with a line break or NUL, which would break the
    // file into other lines.
    static bool CanHold(QStringView text);

private:
    QuorvelError Refused() const;
    void Store(const QString& text);

    QString fileName_;
    bool batching_ = false;
    // The text the writes of a batch have made so far.
    std::optional<QString> pending_;
};
