#include "cli/CliApplication.h"

#include "cli/CommandRun.h"
#include "cli/Console.h"
#include "cli/EditorCommands.h"
#include "cli/ExitCode.h"
#include "cli/HistoryCommands.h"
#include "cli/VersionCommands.h"
#include "cli/WorkspaceCommands.h"
#include "platform/FileSystem.h"
#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/CatalogueNotSaved.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

QByteArray ReadAllStdin() {
    QByteArray bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        bytes.append(buffer, qsizetype(got));
    return bytes;
}

} // namespace

CliApplication::CliApplication(const CommandLine& commandLine)
    : commandLine_(commandLine),
      user_(commandLine.Yes() ? CommandLineUser::Confirmations::AlwaysYes
                              : CommandLineUser::Confirmations::AskTerminal) {}

int CliApplication::FailureCode() const {
    return commandLine_.Command()->reportsDifference ? ExitCode::Usage : ExitCode::Failed;
}

std::optional<QString> CliApplication::Description() {
    if (commandLine_.DescriptionText())
        return CommandLineUser::AsTypedText(*commandLine_.DescriptionText());
    const QString& fileName = *commandLine_.DescriptionFile();
    QByteArray bytes;
    if (fileName == QLatin1String("-")) {
        bytes = ReadAllStdin();
        if (std::ferror(stdin)) {
            Console::ErrLine(QStringLiteral("cannot read the description from standard input"));
            return std::nullopt;
        }
    } else {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            Console::ErrLine(
                QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
            return std::nullopt;
        }
        bytes = file.readAll();
    }
    QString text = QString::fromUtf8(bytes);
    // A file's last line ends with a line break that nobody typed.
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return CommandLineUser::AsTypedText(text);
}

QString CliApplication::WorkspaceFolder() const {
    QString folder;
    if (commandLine_.Workspace())
        folder = QDir::cleanPath(QFileInfo(*commandLine_.Workspace()).absoluteFilePath());
    else
        folder = QuorvelConfig->GetWorkspace();
    // Every path of the catalogue is the workspace path followed by names.
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

int CliApplication::Run() {
    if (commandLine_.Command()->takesDescription) {
        // Read before anything is opened: a missing file changes nothing.
        const std::optional<QString> text = Description();
        if (!text)
            return ExitCode::Failed;
        description_ = *text;
    }

    // Ctrl-C, a hang-up or a shutdown stop a copy cleanly instead of
    // leaving it half made.
    TerminationSignals termination;
    std::unique_ptr<QuorvelRuntime> runtime;
    int code = ExitCode::Failed;
    try {
        runtime = std::make_unique<QuorvelRuntime>(user_, TQuorvelConfig::Access::ReadOnly);
        ProjectMngr->SetReadOnly(commandLine_.Command()->readsOnly);
        ProjectMngr->SetProgress(&reporter_);
        runtime->VersionManager(nullptr);
        OpenWorkspace();
        reporter_.Finish();
        try {
            code = RunCommand();
        } catch (const CatalogueNotSaved& error) {
            throw NotSavedError(error.Message(), error.Done());
        }
        if (code == ExitCode::Done)
            SaveCatalogue();
    } catch (const QuorvelError& error) {
        user_.ShowError(error.Message());
        code = FailureCode();
    } catch (const std::exception& error) {
        user_.ShowError(QString::fromLocal8Bit(error.what()));
        code = FailureCode();
    }
    reporter_.Finish();

    // The program's end: the catalogue and the editor registry are saved
    // here when they changed. Their errors are shown, not thrown.
    const bool saved = !runtime || ProjectMngr->SaveOnExit();
    runtime.reset();

    // Work that was done but not saved, or a partial catalogue, is no success.
    // A failure keeps its own status, but a comparison's 1 would read as
    // an answer.
    const bool troubled = !saved || reporter_.ErrorReported();
    if (troubled && (code == ExitCode::Done || commandLine_.Command()->reportsDifference))
        code = FailureCode();
    // A signal that came when the work was already done and saved stopped
    // nothing: the work stands, and the status says so.
    if (TerminationSignals::Requested() && code != ExitCode::Done)
        code = ExitCode::Interrupted(TerminationSignals::Signal());

    QString reason;
    if (!Console::FinishOutput(&reason)) {
        Console::ErrLine(QStringLiteral("quorvel-cli: write error: %1").arg(reason));
        code = FailureCode();
    }
    return code;
}

void CliApplication::OpenWorkspace() {
    const QString folder = WorkspaceFolder();
    // Opening would make the folder, and a command that only reads makes
    // nothing.
    if (commandLine_.Command()->readsOnly && !FileSystem::FolderExists(folder)) {
        const QString path = folder.endsWith(u'/') ? folder.chopped(1) : folder;
        if (QFileInfo::exists(path))
            throw QuorvelError(QStringLiteral("The workspace %1 is not a folder.").arg(path));
        throw QuorvelError(QStringLiteral("The workspace %1 does not exist.").arg(folder));
    }
    try {
        ProjectMngr->SetWorkSpace(folder);
    } catch (const QuorvelError& error) {
        // A damaged catalogue is what a rebuild is for: it must not stand
        // in the rebuild's way.
        if (!commandLine_.Command()->opensDamagedCatalogue || ProjectMngr->WorkSpace() != folder)
            throw;
        user_.ShowMessage(
            QStringLiteral("The catalogue file could not be read (%1); it is rebuilt from the "
                           "folders.")
                .arg(error.Message()));
    }
}

void CliApplication::SaveCatalogue() {
    try {
        ProjectMngr->SaveProject();
    } catch (const QuorvelError& error) {
        throw NotSavedError(error.Message());
    }
}

QuorvelError CliApplication::NotSavedError(const QString& reason, const QString& doneHere) {
    // The folders have changed already: say so, and what is missing.
    const QString done =
        doneHere.isEmpty() ? commandLine_.Command()->DoneText(commandLine_.Arguments()) : doneHere;
    // Saving again at the end would only say the same once more.
    ProjectMngr->SetReadOnly(true);
    if (done.isEmpty())
        return QuorvelError(reason);
    return QuorvelError(
        QStringLiteral("%1, but the catalogue could not be saved: %2").arg(done, reason));
}

int CliApplication::RunCommand() {
    WorkspaceCommands workspace(user_, reporter_);
    VersionCommands versions(user_);
    EditorCommands editors(user_);
    HistoryCommands history;
    CommandRun run{commandLine_, description_, workspace, versions, editors, history};
    return commandLine_.Command()->run(run);
}
