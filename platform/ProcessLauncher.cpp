#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QProcess>

namespace ProcessLauncher {

bool RunAndWait(const QString& program, const QString& argument) {
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    process.setWorkingDirectory(QDir::currentPath());
    // The started program shares our terminal instead of pipes that nobody
    // reads or writes.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    // Holds this thread, on purpose: the windows take no input while the
    // program runs.
    process.waitForFinished(-1);
    return true;
}

} // namespace ProcessLauncher
