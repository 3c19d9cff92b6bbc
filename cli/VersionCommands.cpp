#include "cli/VersionCommands.h"

#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "cli/CommandLineUser.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "versioning/FolderDiff.h"
#include "versioning/TVersionManager.h"

#include <QDir>
#include <QFileInfo>

VersionCommands::VersionCommands(CommandLineUser& user) : user_(user) {}

TVersion* VersionCommands::Select(const QStringList& arguments) {
    TVersion* version = ItemLookup::Version(arguments[0], arguments[1], arguments[2]);
    if (version)
        VersionMngr->SetActiveItem(version);
    return version;
}

QString VersionCommands::NotCheckedOut(const TVersion* version) {
    return QStringLiteral("%1 is checked in: only a checked-out version can be checked in.")
        .arg(version->Name());
}

int VersionCommands::Refuse(const QString& text) {
    Console::ErrLine(text);
    return ExitCode::Failed;
}

int VersionCommands::CheckOut(const QStringList& arguments) {
    TVersion* source = Select(arguments);
    if (!source)
        return ExitCode::Failed;
    if (!VersionMngr->CanCheckOut()) {
        return Refuse(QStringLiteral("%1 is checked out: only a checked-in version can be "
                                     "checked out.")
                          .arg(source->Name()));
    }
    const TVersion* made = VersionMngr->CheckOut();
    if (!made)
        return ExitCode::Failed;
    Console::OutLine(made->Name());
    return ExitCode::Done;
}

int VersionCommands::CheckIn(const QStringList& arguments, const QString& description) {
    TVersion* version = Select(arguments);
    if (!version)
        return ExitCode::Failed;
    if (!VersionMngr->CanCheckIn()) {
        return Refuse(NotCheckedOut(version));
    }
    user_.AnswerCheckIn(description);
    return VersionMngr->CheckIn() ? ExitCode::Done : ExitCode::Failed;
}

int VersionCommands::CheckInCheckOut(const QStringList& arguments, const QString& description) {
    TVersion* version = Select(arguments);
    if (!version)
        return ExitCode::Failed;
    if (!VersionMngr->CanCheckIn()) {
        return Refuse(NotCheckedOut(version));
    }
    user_.AnswerCheckIn(description);
    const TVersion* made = VersionMngr->CheckInCheckOut();
    if (!made)
        return ExitCode::Failed;
    Console::OutLine(made->Name());
    return ExitCode::Done;
}

int VersionCommands::UndoCheckOut(const QStringList& arguments) {
    TVersion* version = Select(arguments);
    if (!version)
        return ExitCode::Failed;
    if (!VersionMngr->CanCheckIn()) {
        return Refuse(QStringLiteral("%1 is checked in: there is no check-out to undo.")
                          .arg(version->Name()));
    }
    return VersionMngr->UndoCheckOut() ? ExitCode::Done : ExitCode::Failed;
}

int VersionCommands::Import(const QStringList& arguments) {
    const QFileInfo chosen(arguments[3]);
    // A folder browser offers nothing but existing folders.
    if (!chosen.isDir())
        return Refuse(QStringLiteral("not a folder: %1").arg(arguments[3]));
    TVersion* version = Select(arguments);
    if (!version)
        return ExitCode::Failed;
    if (!VersionMngr->CanImport()) {
        return Refuse(QStringLiteral("cannot import into %1: only version 1 of a project that "
                                     "has no other version takes an import.")
                          .arg(version->Name()));
    }
    QString folder = QDir::cleanPath(chosen.absoluteFilePath());
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return VersionMngr->ImportFromFolder(folder) ? ExitCode::Done : ExitCode::Failed;
}

int VersionCommands::Diff(const QStringList& arguments) {
    TVersionItem* project = ItemLookup::Project(arguments[0], arguments[1]);
    if (!project)
        return ExitCode::Usage;
    TVersion* first = ItemLookup::VersionOf(project, arguments[2]);
    if (!first)
        return ExitCode::Usage;
    TVersion* second = ItemLookup::VersionOf(project, arguments[3]);
    if (!second)
        return ExitCode::Usage;
    FolderDiff diff;
    try {
        // A damaged catalogue name must not lead the comparison elsewhere.
        if (!diff.CompareVersions(*first, *second)) {
            Console::ErrLine(diff.Error());
            return ExitCode::Usage;
        }
    } catch (const QuorvelError& error) {
        Console::ErrLine(error.Message());
        return ExitCode::Usage;
    }
    for (const FolderDiff::Difference& difference : diff.Differences()) {
        Console::OutBytes(QByteArray(1, char(difference.kind)) + ' ' +
                          FolderDiff::Quoted(difference.path) + '\n');
    }
    return diff.Differences().empty() ? ExitCode::Done : ExitCode::Failed;
}
