#include "workspace/WorkspaceLock.h"

#include "platform/FileRangeLock.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "platform/UserName.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace {

// The file: the change count, then the holder, each on a line of its own
// and padded, so that each is rewritten in place without moving the other.
constexpr qsizetype GenerationSize = 32;
constexpr qsizetype HolderSize = 480;

QByteArray Padded(QByteArray text, qsizetype size) {
    text.truncate(size - 1);
    text.append(size - 1 - text.size(), ' ');
    text.append('\n');
    return text;
}

bool LocksUnsupported(int error) {
    return error == ENOLCK || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS;
}

QByteArray ReadAt(int fd, qsizetype offset, qsizetype size) {
    QByteArray bytes(size, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), size_t(size), off_t(offset));
    bytes.resize(got > 0 ? qsizetype(got) : 0);
    return bytes.trimmed();
}

} // namespace

WorkspaceLock::WorkspaceLock(const QString& folder) : path_(folder + FileName()) {}

WorkspaceLock::~WorkspaceLock() {
    if (held_)
        Release(false);
}

QString WorkspaceLock::FileName() {
    return QStringLiteral(".quorvel-lock");
}

QString WorkspaceLock::HolderText() {
    return QStringLiteral("%1 on %2 (%3, process %4) since %5")
        .arg(GetUserFromWindows(), QSysInfo::machineHostName(),
             QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Quorvel")
                                                           : QCoreApplication::applicationName(),
             QString::number(QCoreApplication::applicationPid()),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

QString WorkspaceLock::HolderWritten() const {
    const QString text = QString::fromUtf8(ReadAt(file_.Get(), GenerationSize, HolderSize));
    return text.isEmpty() ? QStringLiteral("another program") : text;
}

bool WorkspaceLock::TryAcquire() {
    if (FileRangeLock::TryLock(file_.Get(), 0, 1, FileRangeLock::Kind::Exclusive))
        return true;
    // Without locks on this file system there is nobody to wait for.
    return LocksUnsupported(errno);
}

void WorkspaceLock::Acquire() {
    if (held_)
        return;
    if (!file_.IsOpen()) {
        const QByteArray native = QFile::encodeName(path_);
        file_.Reset(::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!file_.IsOpen()) {
            throw QuorvelError(QStringLiteral("The workspace cannot be locked for this change "
                                              "(%1: %2); nothing was changed.")
                                   .arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    if (!TryAcquire() &&
        !User().WaitForWorkspace(HolderWritten(), [this] { return TryAcquire(); })) {
        const QString holder = HolderWritten();
        file_.Reset();
        throw QuorvelError(QStringLiteral("The workspace is being changed by %1; nothing was "
                                          "changed. Try again when that has finished.")
                               .arg(holder));
    }
    held_ = true;
    const QByteArray holder = Padded(HolderText().toUtf8(), HolderSize);
    // Only those who wait read it: a failed write costs them the name.
    if (::pwrite(file_.Get(), holder.constData(), size_t(holder.size()), GenerationSize) < 0)
        return;
}

void WorkspaceLock::Release(bool changed) {
    if (!held_)
        return;
    if (changed) {
        bool ok = false;
        const quint64 generation = ReadAt(file_.Get(), 0, GenerationSize).toULongLong(&ok);
        const QByteArray text = Padded(QByteArray::number(ok ? generation + 1 : 1), GenerationSize);
        // A count that could not be written only delays how others follow.
        if (::pwrite(file_.Get(), text.constData(), size_t(text.size()), 0) < 0)
            changed = false;
    }
    FileRangeLock::Unlock(file_.Get(), 0, 1);
    held_ = false;
}

quint64 WorkspaceLock::Generation(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder + FileName());
    const FileHandle file(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.IsOpen())
        return 0;
    return ReadAt(file.Get(), 0, GenerationSize).toULongLong();
}
