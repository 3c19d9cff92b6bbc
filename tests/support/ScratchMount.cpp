#include "support/ScratchMount.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool WriteTo(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Once per process: the mounts below are made in a table of its own.
bool OwnMountTable(QString* why) {
    static const bool own = [] {
        if (::unshare(CLONE_NEWNS) != 0) {
            const QByteArray uid = QByteArray::number(::getuid());
            const QByteArray gid = QByteArray::number(::getgid());
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
                !WriteTo(QStringLiteral("/proc/self/setgroups"), "deny") ||
                !WriteTo(QStringLiteral("/proc/self/uid_map"), uid + ' ' + uid + " 1") ||
                !WriteTo(QStringLiteral("/proc/self/gid_map"), gid + ' ' + gid + " 1"))
                return false;
        }
        return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    if (!own)
        *why = QStringLiteral("no mount table of the test's own here: needs root or user "
                              "namespaces");
    return own;
}

bool Run(const QString& program, const QStringList& arguments, QString* why) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    *why = QStringLiteral("%1 failed: %2")
               .arg(program, QString::fromLocal8Bit(process.readAll()).trimmed());
    return false;
}

} // namespace

namespace ScratchMount {

bool Tmpfs(const QString& folder, qint64 bytes, QString* why) {
    if (!OwnMountTable(why))
        return false;
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("quorvel-test", QFile::encodeName(folder).constData(), "tmpfs", 0,
                options.constData()) == 0)
        return true;
    *why = QStringLiteral("a tmpfs cannot be mounted here");
    return false;
}

bool Xfs(const QString& image, const QString& folder, QString* why) {
    if (::geteuid() != 0) {
        *why = QStringLiteral("a loop device needs root");
        return false;
    }
    const QString mkfs = QStandardPaths::findExecutable(
        QStringLiteral("mkfs.xfs"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (mkfs.isEmpty()) {
        *why = QStringLiteral("mkfs.xfs is not installed (xfsprogs)");
        return false;
    }
    if (!OwnMountTable(why))
        return false;
    // XFS takes no less; the image is sparse, so it costs what is written.
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(300) << 20)) {
        *why = QStringLiteral("cannot make the image %1").arg(image);
        return false;
    }
    file.close();
    return Run(mkfs,
               {QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("reflink=1"), image},
               why) &&
           Run(QStringLiteral("mount"),
               {QStringLiteral("-o"), QStringLiteral("loop"), image, folder}, why);
}

void Unmount(const QString& folder) {
    // A loop device mounted with "-o loop" is let go with its mount.
    ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}

} // namespace ScratchMount
