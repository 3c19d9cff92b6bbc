#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "platform/UserInterface.h"
#include "ui/QtUser.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/TVersionManager.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <memory>

int main(int argc, char** argv) {
    TQuorvelApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
    QtUser user;
    InstallUser(&user);
    // From the first moment on: a signal that comes while the program starts
    // is handled once the window is there.
    TerminationSignals termination;

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

    // A logout, a shutdown or Ctrl-C ends the program as closing the window
    // does: open dialogs are cancelled, then the window closes, and the
    // catalogue and the settings are written as at every end.
    QObject::connect(&termination, &TerminationSignals::requested, mainForm, [mainForm] {
        for (int i = 0; i < 32; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == mainForm)
                break;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        mainForm->close();
    });

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
