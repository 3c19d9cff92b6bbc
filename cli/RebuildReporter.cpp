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
        clientName_ = Item->Name();
        text = clientName_;
    } else if (dynamic_cast<TProject*>(Item)) {
        projectName_ = Item->Name();
        text = clientName_ + u'-' + projectName_;
    } else if (dynamic_cast<TVersion*>(Item)) {
        versionName_ = Item->Name();
        text = clientName_ + u'-' + projectName_ + u'-' + versionName_;
    } else {
        return;
    }
    // Every item is followed, but a terminal far away should not slow the
    // scan down: it is redrawn a few times a second at most.
    if (sinceShown_.isValid() && sinceShown_.elapsed() < 50)
        return;
    sinceShown_.start();
    Console::Status(QStringLiteral("Build item: ") + text);
}

void RebuildReporter::DoError(const QString& Message) {
    errorReported_ = true;
    Console::ErrLine(Message);
}

void RebuildReporter::Finish() {
    Console::ClearStatus();
}
