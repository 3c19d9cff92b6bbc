#include "platform/DurabilityRule.h"

#include "platform/FileHandle.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// statfs's f_type of the file systems whose syncfs stops short of the
// storage. NFS (0x6969) is not among them: each close already commits the
// file's data on the server, syncfs commits what is left, and the server
// stores names before it answers.
constexpr uint32_t FuseMagic = 0x65735546;     // also fuseblk and virtiofs
constexpr uint32_t Smb2Magic = 0xFE534D42;     // a flush is sent only for fsync
constexpr uint32_t CifsMagic = 0xFF534D42;     // likewise
constexpr uint32_t NinePMagic = 0x01021997;    // 9P: only fsync reaches the server
constexpr uint32_t EcryptfsMagic = 0x0000F15F; // writes into the lower file system's cache

} // namespace

std::atomic<DurabilityRule::Answer> DurabilityRule::answer_{Answer::ByFileSystem};

bool DurabilityRule::SyncfsReachesStorage(int fd) {
    if (const Answer answer = answer_; answer != Answer::ByFileSystem)
        return answer == Answer::Yes;
    struct statfs info;
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<uint32_t>(info.f_type)) {
    case FuseMagic:
    case Smb2Magic:
    case CifsMagic:
    case NinePMagic:
    case EcryptfsMagic:
        return false;
    default:
        return true;
    }
}

void DurabilityRule::SetAnswerForBenchmarks(Answer answer) {
    answer_ = answer;
}

void DurabilityRule::SyncFolderHolding(const QString& path) {
    QString name = path;
    while (name.size() > 1 && name.endsWith(u'/'))
        name.chop(1);
    const FileHandle folder(::open(QFile::encodeName(QFileInfo(name).path()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen())
        ::fsync(folder.Get());
}
