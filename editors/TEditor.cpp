#include "editors/TEditor.h"

#include "catalogue/TVersion.h"
#include "platform/ProcessLauncher.h"
#include "platform/QuorvelError.h"

TEditor::TEditor(TProjectEditors* AOwner, const QString& aName, const QString& aPath)
    : fName(aName), fPath(aPath), fOwner(AOwner) {}

void TEditor::DoMenuClick() {
    if (FOnClick)
        FOnClick(this);
}

bool TEditor::Execute(const QString& CmdLine) {
    QString folder = CmdLine;
    folder.chop(1);
    return ProcessLauncher::RunAndWait(fPath, folder);
}

QString TEditor::ExecuteErrorText(const QString& folder, const QString& editorName) {
    return QStringLiteral("Error executing version [%1] with editor [%2]").arg(folder, editorName);
}

bool TEditor::Execute(TVersion* Version) {
    if (!Version)
        return false;
    Assign(Version);
    return Execute(Version->Path());
}

void TEditor::Assign(TVersion* Version) {
    // A damaged name must neither change the version nor reach the disk.
    Version->CheckFolderNames();
    const QString before = Version->Editor();
    Version->SetEditor(fPath);
    try {
        Version->WriteData();
    } catch (const QuorvelError&) {
        // The catalogue must not name an editor that its file lacks.
        Version->SetEditor(before);
        throw;
    }
}
