#include "platform/UserName.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>

#include <vector>
#endif

namespace {

#ifdef Q_OS_UNIX
QString AccountName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return QString();
    return QString::fromLocal8Bit(found->pw_name);
}
#endif

} // namespace

QString FirstUserName(const QStringList& candidates) {
    for (const QString& name : candidates) {
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("Unknown");
}

QString GetUserFromWindows() {
#ifdef Q_OS_UNIX
    // The account database first: the variables can be set to anything.
    return FirstUserName(
        {AccountName(), qEnvironmentVariable("USER"), qEnvironmentVariable("LOGNAME")});
#else
    return FirstUserName({qEnvironmentVariable("USERNAME")});
#endif
}
