#include "cli/RebuildReporter.h"

#include "catalogue/TClient.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "cli/Console.h"
#include "workspace/TProjectManager.h"

void RebuildReporter::ItemAdded(TProjectManager* Sender, TVersionItem* Item) {
    if (!Sender || Sender->LastAction() != ChangeKind::ItemdEdited)
        return;
    QString text;
    if (dynamic_cast<TClient*>(Item)) {
        ClientName = Item->Name();
        text = ClientName;
    } else if (dynamic_cast<TProject*>(Item)) {
        ProjectName = Item->Name();
        text = ClientName + u'-' + ProjectName;
    } else if (dynamic_cast<TVersion*>(Item)) {
        VersionName = Item->Name();
        text = ClientName + u'-' + ProjectName + u'-' + VersionName;
    } else {
        return;
    }
    // Every item is followed, but a terminal far away should not slow the
    // scan down: it is redrawn a few times a second at most.
    if (sinceShown.isValid() && sinceShown.elapsed() < 50)
        return;
    sinceShown.start();
    Console::Status(QStringLiteral("Build item: ") + text);
}

void RebuildReporter::DoError(const QString& Message) {
    errorReported = true;
    Console::ErrLine(Message);
}

void RebuildReporter::Finish() {
    Console::ClearStatus();
}
