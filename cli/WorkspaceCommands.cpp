#include "cli/WorkspaceCommands.h"

#include "catalogue/DataFilesAhead.h"
#include "catalogue/ItemPath.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "catalogue/VersionConsts.h"
#include "cli/CommandLineUser.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "cli/JsonWriter.h"
#include "cli/RebuildReporter.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"
#include "platform/UserName.h"
#include "storage/DataFileReader.h"
#include "versioning/CheckedOutVersions.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"

namespace {

QString WithLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString Counted(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

WorkspaceCommands::WorkspaceCommands(CommandLineUser& user, RebuildReporter& reporter)
    : user_(user), reporter_(reporter) {}

void WorkspaceCommands::LoadAllData() {
    const TVersionCollection* clients = ProjectMngr->Clients();
    // Every project's data files, read ahead; see DataFilesAhead.
    DataFileReader ahead(DataFilesAhead(clients, ProjectMngr->WorkSpace(), true, 1),
                         &TVersionItem::ReadDataFile);
    for (int c = 0; c < clients->Count(); ++c) {
        const TVersionItem* client = clients->GetItems(c);
        const QString folder = client->Path();
        const bool safe = client->HasSafeFolderNames();
        const TVersionCollection* projects = client->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p)
            projects->GetItems(p)->LoadDataIn(folder, safe, NoteUnreadable(), &ahead);
    }
}

UnreadableData WorkspaceCommands::NoteUnreadable() {
    return [this](TVersionItem* item, const QString& reason) {
        unreadable_.insert(item);
        Console::ErrLine(
            ErrorDisplayText(QStringLiteral("The data file of %1 could not be read: %2")
                                 .arg(ItemPath::Of(item).Text(), reason)));
    };
}

int WorkspaceCommands::ReadingResult() const {
    return unreadable_.isEmpty() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::List(bool json) {
    LoadAllData();
    if (json)
        PrintJson();
    else
        PrintText();
    return ReadingResult();
}

void WorkspaceCommands::PrintText() {
    const TVersionCollection* clients = ProjectMngr->Clients();
    for (int c = 0; c < clients->Count(); ++c) {
        const TVersionItem* client = clients->GetItems(c);
        Console::OutLine(client->Name());
        const TVersionCollection* projects = client->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p) {
            const TVersionItem* project = projects->GetItems(p);
            Console::OutLine(QStringLiteral("  ") + project->Name());
            const TVersionCollection* versions = project->VersionCollection();
            for (int v = 0; v < versions->Count(); ++v) {
                const TVersionItem* version = versions->GetItems(v);
                // Its state would be a guess.
                if (unreadable_.contains(version))
                    continue;
                Console::OutLine(QStringLiteral("    ") + version->DisplayName() + u'\t' +
                                 StateName(version->State()));
            }
        }
    }
}

void WorkspaceCommands::PrintJson() {
    JsonWriter json([](const QByteArray& piece) { Console::OutBytes(piece); });
    json.BeginObject();
    json.Field(QStringLiteral("workspace"), ProjectMngr->WorkSpace());
    json.Key(QStringLiteral("clients"));
    json.BeginArray();
    const TVersionCollection* clients = ProjectMngr->Clients();
    for (int c = 0; c < clients->Count(); ++c) {
        const TVersionItem* client = clients->GetItems(c);
        json.BeginObject();
        json.Field(QStringLiteral("name"), client->Name());
        json.Key(QStringLiteral("projects"));
        json.BeginArray();
        const TVersionCollection* projects = client->VersionCollection();
        for (int p = 0; p < projects->Count(); ++p) {
            const TVersionItem* project = projects->GetItems(p);
            json.BeginObject();
            json.Field(QStringLiteral("name"), project->Name());
            json.Key(QStringLiteral("versions"));
            json.BeginArray();
            const TVersionCollection* versions = project->VersionCollection();
            for (int v = 0; v < versions->Count(); ++v) {
                const auto* version = static_cast<const TVersion*>(versions->GetItems(v));
                if (unreadable_.contains(version))
                    continue;
                const TCheckInProperties& record = version->CheckInProperties();
                json.BeginObject();
                json.Field(QStringLiteral("name"), version->Name());
                json.Field(QStringLiteral("number"), version->Nr());
                json.Field(QStringLiteral("state"), StateName(version->State()));
                json.Field(QStringLiteral("parent"), version->ParentVersion());
                json.Field(QStringLiteral("editor"), version->Editor());
                json.Field(QStringLiteral("datetime"), record.sDatetime);
                json.Field(QStringLiteral("owner"), record.sOwner);
                json.Field(QStringLiteral("description"), record.sDescription);
                json.EndObject();
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    json.Finish();
}

int WorkspaceCommands::Show(const QStringList& arguments) {
    TVersion* version = ItemLookup::Version(arguments[0], arguments[1], arguments[2]);
    if (!version)
        return ExitCode::Failed;
    // Selecting the version reads its project's data, as in the window.
    VersionMngr->SetActiveItem(version);
    Console::OutLine(WithLineBreaks(version->AsString()));
    return ExitCode::Done;
}

int WorkspaceCommands::Status(bool mineOnly) {
    CheckedOutVersions checkedOut;
    checkedOut.Gather(ProjectMngr->Clients(), CheckedOutVersions::Progress(), NoteUnreadable());
    const QString me = GetUserFromWindows();
    for (const CheckedOutVersions::Entry& entry : checkedOut.Entries()) {
        if (mineOnly && entry.owner != me)
            continue;
        Console::OutLine(
            QStringList{entry.client, entry.project, entry.version, entry.owner, entry.checkedOut}
                .join(u'\t'));
    }
    return ReadingResult();
}

int WorkspaceCommands::Rebuild() {
    // A scan error has gone to stderr; the exit status reports it.
    ProjectMngr->Refresh();
    reporter_.Finish();
    int clients = 0;
    int projects = 0;
    int versions = 0;
    const TVersionCollection* clientList = ProjectMngr->Clients();
    clients = clientList->Count();
    for (int c = 0; c < clients; ++c) {
        const TVersionCollection* projectList = clientList->GetItems(c)->VersionCollection();
        projects += projectList->Count();
        for (int p = 0; p < projectList->Count(); ++p)
            versions += projectList->GetItems(p)->VersionCollection()->Count();
    }
    Console::OutLine(Counted(clients, "client", "clients") + QStringLiteral(", ") +
                     Counted(projects, "project", "projects") + QStringLiteral(", ") +
                     Counted(versions, "version", "versions"));
    return ExitCode::Done;
}

int WorkspaceCommands::NewClient(const QStringList& arguments) {
    user_.AnswerName(arguments[0]);
    return VersionMngr->NewClient() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::NewProject(const QStringList& arguments) {
    TVersionItem* client = ItemLookup::Client(arguments[0]);
    if (!client)
        return ExitCode::Failed;
    VersionMngr->SetActiveItem(client);
    if (!VersionMngr->HasActiveClient())
        return ExitCode::Failed;
    user_.AnswerName(arguments[1]);
    return VersionMngr->NewProject() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::RenameClient(const QStringList& arguments) {
    TVersionItem* client = ItemLookup::Client(arguments[0]);
    if (!client)
        return ExitCode::Failed;
    VersionMngr->SetActiveItem(client);
    if (!VersionMngr->HasActiveClient())
        return ExitCode::Failed;
    user_.AnswerName(arguments[1]);
    return VersionMngr->RenameClient() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::RenameProject(const QStringList& arguments) {
    TVersionItem* project = ItemLookup::Project(arguments[0], arguments[1]);
    if (!project)
        return ExitCode::Failed;
    VersionMngr->SetActiveItem(project);
    if (!VersionMngr->HasActiveProject())
        return ExitCode::Failed;
    user_.AnswerName(arguments[2]);
    return VersionMngr->RenameProject() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::DeleteClient(const QStringList& arguments) {
    TVersionItem* client = ItemLookup::Client(arguments[0]);
    if (!client)
        return ExitCode::Failed;
    VersionMngr->SetActiveItem(client);
    if (!VersionMngr->HasActiveClient())
        return ExitCode::Failed;
    // Gone from the catalogue but still on disk is not deleted.
    return VersionMngr->DelClient() ? ExitCode::Done : ExitCode::Failed;
}

int WorkspaceCommands::DeleteProject(const QStringList& arguments) {
    TVersionItem* project = ItemLookup::Project(arguments[0], arguments[1]);
    if (!project)
        return ExitCode::Failed;
    VersionMngr->SetActiveItem(project);
    if (!VersionMngr->HasActiveProject())
        return ExitCode::Failed;
    return VersionMngr->DelProject() ? ExitCode::Done : ExitCode::Failed;
}
