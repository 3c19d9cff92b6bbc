#include "cli/DiskUsageCommand.h"

#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "cli/JsonWriter.h"
#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "platform/UserInterface.h"
#include "versioning/VersionSize.h"
#include "workspace/TProjectManager.h"

#include <QElapsedTimer>

#include <memory>

bool DiskUsageCommand::Versions(const QStringList& arguments, std::vector<TVersion*>* versions) {
    std::vector<TVersionItem*> projects;
    if (arguments.size() > 1) {
        TVersionItem* project = ItemLookup::Project(arguments[0], arguments[1]);
        if (!project)
            return false;
        projects.push_back(project);
    } else {
        TVersionItem* client = ItemLookup::Client(arguments[0]);
        if (!client)
            return false;
        const TVersionCollection* all = client->VersionCollection();
        for (int p = 0; p < all->Count(); ++p)
            projects.push_back(all->GetItems(p));
    }
    for (const TVersionItem* project : projects) {
        const TVersionCollection* all = project->VersionCollection();
        for (int v = 0; v < all->Count(); ++v)
            versions->push_back(static_cast<TVersion*>(all->GetItems(v)));
    }
    return true;
}

int DiskUsageCommand::Run(const QStringList& arguments, bool json) {
    std::vector<TVersion*> versions;
    if (!Versions(arguments, &versions))
        return ExitCode::Failed;

    std::unique_ptr<JsonWriter> writer;
    if (json) {
        writer =
            std::make_unique<JsonWriter>([](const QByteArray& piece) { Console::OutBytes(piece); });
        writer->BeginObject();
        writer->Field(QStringLiteral("workspace"), ProjectMngr->WorkSpace());
        writer->Key(QStringLiteral("versions"));
        writer->BeginArray();
    }
    bool troubled = false;
    QElapsedTimer sinceShown;
    for (const TVersion* version : versions) {
        const TVersionItem* project = version->ParentItem();
        const QString client = project->ParentItem()->Name();
        VersionSize size;
        size.SetProgress([&](const VersionSize::Totals&) {
            if (TerminationSignals::Requested())
                return false;
            if (!sinceShown.isValid() || sinceShown.elapsed() >= 100) {
                sinceShown.start();
                Console::Status(QStringLiteral("Measuring %1-%2-%3")
                                    .arg(client, project->Name(), version->Name()));
            }
            return true;
        });
        bool measured = false;
        try {
            // A damaged catalogue name must not lead the walk elsewhere.
            version->CheckFolderNames();
            measured = size.Measure(version->Path());
        } catch (const QuorvelError& error) {
            Console::ErrLine(ErrorDisplayText(error.Message()));
            troubled = true;
            continue;
        }
        if (!measured) {
            // The signal's status says it all; what was printed stands.
            if (size.Cancelled())
                return ExitCode::Failed;
            Console::ErrLine(ErrorDisplayText(size.Error()));
            troubled = true;
            continue;
        }
        const VersionSize::Totals& totals = size.Result();
        if (writer) {
            writer->BeginObject();
            writer->Field(QStringLiteral("client"), client);
            writer->Field(QStringLiteral("project"), project->Name());
            writer->Field(QStringLiteral("version"), version->Name());
            writer->Field(QStringLiteral("files"), totals.files);
            writer->Field(QStringLiteral("bytes"), totals.bytes);
            writer->Field(QStringLiteral("allocated"), totals.allocated);
            writer->Field(QStringLiteral("shared"), totals.shared);
            writer->Field(QStringLiteral("unshared"), totals.Unshared());
            writer->EndObject();
        } else {
            Console::OutLine(
                QStringList{client, project->Name(), version->Name(), QString::number(totals.files),
                            QString::number(totals.bytes), QString::number(totals.allocated),
                            QString::number(totals.Unshared())}
                    .join(u'\t'));
        }
    }
    Console::ClearStatus();
    if (writer) {
        writer->EndArray();
        writer->EndObject();
        writer->Finish();
    }
    return troubled ? ExitCode::Failed : ExitCode::Done;
}
