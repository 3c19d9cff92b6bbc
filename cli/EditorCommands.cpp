#include "cli/EditorCommands.h"

#include "catalogue/TVersion.h"
#include "cli/CommandLineUser.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

#include <QFileInfo>

EditorCommands::EditorCommands(CommandLineUser& user) : user_(user) {}

int EditorCommands::List() {
    const TProjectEditors* editors = ProjectMngr->Editors();
    for (int i = 0; i < editors->Count(); ++i) {
        const TEditor* editor = editors->GetItems(i);
        Console::OutLine(editor->Name() + u'\t' + editor->Path());
    }
    return ExitCode::Done;
}

int EditorCommands::Add(const QStringList& arguments) {
    const QFileInfo program(arguments[1]);
    // A file dialog offers nothing but existing files.
    if (!program.isFile()) {
        Console::ErrLine(QStringLiteral("not a file: %1").arg(arguments[1]));
        return ExitCode::Failed;
    }
    user_.AnswerOpenFile(program.absoluteFilePath());
    user_.AnswerName(arguments[0]);
    return ProjectMngr->Editors()->New() ? ExitCode::Done : ExitCode::Failed;
}

int EditorCommands::Open(const QStringList& arguments) {
    TVersion* version = ItemLookup::Version(arguments[0], arguments[1], arguments[2]);
    if (!version)
        return ExitCode::Failed;
    TEditor* editor = ProjectMngr->Editors()->EditorByName(arguments[3]);
    if (!editor) {
        ItemLookup::ReportNotFound(arguments[3]);
        return ExitCode::Failed;
    }
    VersionMngr->SetActiveItem(version);
    if (!VersionMngr->CanOpenInEditor()) {
        Console::ErrLine(QStringLiteral("%1 is checked in: only a checked-out version can be "
                                        "opened in an editor.")
                             .arg(version->Name()));
        return ExitCode::Failed;
    }
    switch (VersionMngr->OpenInEditor(editor)) {
    case TVersionManager::EditorStart::Started:
        return ExitCode::Done;
    case TVersionManager::EditorStart::Refused:
        return ExitCode::Failed;
    case TVersionManager::EditorStart::NotStarted:
        break;
    }
    Console::ErrLine(
        QStringLiteral("%1 could not be started: %2").arg(editor->Name(), editor->Path()));
    return ExitCode::Failed;
}
