#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class TVersionItem;

// Compares two folder trees file by file, by contents. Files are regular
// files and symbolic links (a link is compared by its target, never
// followed); folders only hold them, and other kinds of entries and the
// leftovers of interrupted work (IsLeftoverName) are left out. Differences come sorted by relative
// path, byte by byte.
class FolderDiff {
public:
    enum class Kind : char { Added = 'A', Deleted = 'D', Modified = 'M' };
    struct Difference {
        Kind kind;
        QByteArray path;
    };

    // A file at the top of both trees that is not compared.
    void Exclude(const QString& topLevelName);

    // Told before each file that both trees hold is compared: its path,
    // the files compared so far and in all. False cancels the comparison.
    using Progress = std::function<bool(const QByteArray& path, int done, int total)>;
    void SetProgress(Progress progress) { progress_ = std::move(progress); }

    // False when a folder or file could not be read (Error() says which)
    // or the progress cancelled (Cancelled()).
    bool Compare(const QString& first, const QString& second);
    // Compares the folders of two versions, their data files left out.
    // Raises QuorvelError when a damaged catalogue name would lead the
    // comparison to another folder.
    bool CompareVersions(const TVersionItem& first, const TVersionItem& second);
    bool Cancelled() const { return cancelled_; }

    const std::vector<Difference>& Differences() const { return differences_; }
    const QString& Error() const { return error_; }

    // The path as a line of output: as it is, or in C-style double quotes
    // when it holds a control character, a quote or a backslash, so that
    // no name can make a line of its own.
    static QByteArray Quoted(const QByteArray& path);

private:
    struct Entry {
        bool isLink = false;
        qint64 size = 0;
        quint64 device = 0;
        quint64 inode = 0;
    };
    using Tree = std::map<QByteArray, Entry>;

    bool Walk(const QByteArray& root, int folder, const QByteArray& relative, Tree& tree);
    bool Same(const QByteArray& first, const QByteArray& second, const QByteArray& relative,
              const Entry& a, const Entry& b, bool* same);
    bool SameContents(const QByteArray& a, const QByteArray& b, bool* same);
    bool SameLinkTarget(const QByteArray& a, const QByteArray& b, bool* same);
    bool Fail(const QByteArray& path, int code);

    Progress progress_;
    bool cancelled_ = false;
    std::vector<QByteArray> excluded_;
    std::vector<Difference> differences_;
    std::vector<char> bufferA_;
    std::vector<char> bufferB_;
    QString error_;
};
