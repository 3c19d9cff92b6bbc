#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

struct archive;
struct archive_entry;

// Packs a version folder into a zip file that any system opens: names in
// UTF-8 (and flagged so), modification times and permissions kept, empty
// folders as folder entries, a link as a link (never followed). The
// version's own data file and what interrupted work left are left out;
// devices, pipes and sockets hold no work and are skipped. The archive is
// written to a locked temporary beside the target, put on disk and only
// then renamed into place, so the target is the whole archive or what was
// there before; a failure or a Cancel removes the temporary. Touches no
// catalogue item and no user seam: it may run on a worker thread.
class VersionArchive {
public:
    // Told before each file and as a large one is read: bytes archived so
    // far and in all, and the file's path inside the version. False
    // cancels.
    using Progress = std::function<bool(qint64 doneBytes, qint64 totalBytes, const QString& file)>;
    void SetProgress(Progress progress) { progress_ = std::move(progress); }

    // Writes the archive of versionFolder to target, replacing a file
    // there. False when a file could not be read, the archive could not
    // be written (Error() names the file) or the progress cancelled
    // (Cancelled()).
    bool Write(const QString& versionFolder, const QString& target);

    bool Cancelled() const { return cancelled_; }
    const QString& Error() const { return error_; }
    // Files and links in the archive written last.
    int Files() const { return files_; }

    // "Client - Project - Version N.zip".
    static QString DefaultFileName(const QString& client, const QString& project,
                                   const QString& version);

private:
    bool Count(int folder, const QByteArray& relative);
    bool Add(int folder, const QByteArray& relative);
    bool AddFile(int folder, const char* name, const QByteArray& relative);
    bool AddLink(int folder, const char* name, const QByteArray& relative, const struct stat& info);
    bool WriteHeader(archive_entry* entry, const QByteArray& relative);
    // The entries of a folder that go into the archive, sorted by name, so
    // that the same version always gives the same archive.
    bool ListFolder(int folder, const QByteArray& relative, std::vector<QByteArray>* names);
    bool Report(const QByteArray& relative);

    bool FailReading(const QByteArray& relative, int code);
    bool FailReading(const QByteArray& relative, const QString& reason);
    // The archive could not be written; says while adding which file.
    bool FailWriting(const QByteArray& relative);
    bool FailTarget(int code);
    // Whether libarchive's result and the writes so far went well;
    // FailWriting when not.
    bool Written(const QByteArray& relative, int result);
    // libarchive's output: the temporary file.
    static ssize_t WriteOut(archive* a, void* self, const void* data, size_t size);

    Progress progress_;
    bool cancelled_ = false;
    QString error_;
    int files_ = 0;
    // Of the run in progress.
    QByteArray root_;
    QString target_;
    archive* archive_ = nullptr;
    int outFd_ = -1;
    // The system's error of the first write that failed; 0 for none.
    int writeError_ = 0;
    qint64 doneBytes_ = 0;
    qint64 totalBytes_ = 0;
    std::vector<char> buffer_;
};
