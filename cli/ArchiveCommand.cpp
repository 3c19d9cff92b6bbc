#include "cli/ArchiveCommand.h"

#include "catalogue/TVersion.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "platform/UserInterface.h"
#include "versioning/VersionArchive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

QString MiB(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

} // namespace

int ArchiveCommand::Run(const QStringList& arguments, const std::optional<QString>& output) {
    TVersion* version = ItemLookup::Version(arguments[0], arguments[1], arguments[2]);
    if (!version)
        return ExitCode::Failed;
    const TVersionItem* project = version->ParentItem();
    const QString name = VersionArchive::DefaultFileName(project->ParentItem()->Name(),
                                                         project->Name(), version->Name());
    QString target = name;
    // Like cp: a folder given receives the file under its usual name.
    if (output)
        target = QFileInfo(*output).isDir() ? QDir(*output).filePath(name) : *output;
    target = QFileInfo(target).absoluteFilePath();

    VersionArchive archive;
    QElapsedTimer sinceShown;
    archive.SetProgress([&](qint64 done, qint64 total, const QString& file) {
        if (TerminationSignals::Requested())
            return false;
        // A few updates a second are all a terminal needs.
        if (file.isEmpty() || (sinceShown.isValid() && sinceShown.elapsed() < 100))
            return true;
        sinceShown.start();
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        Console::Status(QStringLiteral("%1% (%2 of %3 MiB) Archiving %4")
                            .arg(percent)
                            .arg(MiB(done), MiB(total), file));
        return true;
    });
    bool written = false;
    try {
        // A damaged catalogue name must not lead the archive elsewhere.
        version->CheckFolderNames();
        written = archive.Write(version->Path(), target);
    } catch (const QuorvelError& error) {
        Console::ErrLine(ErrorDisplayText(error.Message()));
        return ExitCode::Failed;
    }
    Console::ClearStatus();
    if (!written) {
        // A signal's status says it all.
        if (!(archive.Cancelled() && TerminationSignals::Requested()))
            Console::ErrLine(ErrorDisplayText(archive.Error()));
        return ExitCode::Failed;
    }
    Console::OutLine(target);
    return ExitCode::Done;
}
