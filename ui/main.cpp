#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "ui/QtUser.h"
#include "ui/StartOptions.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"

#include <QIcon>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    if (const std::optional<int> status = StartOptions::Answer(argc, argv))
        return *status;
    TQuorvelApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
    QtUser user;
    InstallUser(&user);

    // The settings first: from here on the file says this run has not ended.
    // Without settings or editor registry the program cannot start.
    try {
        QuorvelConfig = new TQuorvelConfig;
        ProjectMngr = new TProjectManager;
    } catch (const QuorvelError& error) {
        user.ShowError(error.Message());
        delete QuorvelConfig;
        QuorvelConfig = nullptr;
        InstallUser(nullptr);
        return 1;
    }

    auto* mainForm = new TMainForm;
    user.SetDialogParent(mainForm);
    QuorvelProgressDialog = new TQuorvelProgressDialog(mainForm);
    ProjectMngr->SetProgress(QuorvelProgressDialog);
    mainForm->show();
    const int result = app.exec();

    // The catalogue and the editor registry are saved here, with the window
    // still there for the nodes the catalogue takes away.
    ProjectMngr->SetProgress(nullptr);
    delete ProjectMngr;
    ProjectMngr = nullptr;
    delete VersionMngr;
    VersionMngr = nullptr;
    QuorvelProgressDialog = nullptr;
    delete mainForm;
    // Last: writes the settings with the clean-end mark.
    delete QuorvelConfig;
    QuorvelConfig = nullptr;
    InstallUser(nullptr);
    return result;
}
