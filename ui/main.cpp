#include "platform/QuorvelError.h"
#include "platform/TerminationSignals.h"
#include "ui/QtUser.h"
#include "ui/StartOptions.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/QuorvelRuntime.h"
#include "workspace/TProjectManager.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <memory>
#include <optional>

namespace {

// What the user does to end the program: cancel the open dialogs, then
// close the window.
void CloseAsTheUserWould(TMainForm* window) {
    for (int i = 0; i < 32; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == window)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    window->close();
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = StartOptions::Answer(argc, argv))
        return *status;
    TQuorvelApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
    QtUser user;
    // From the first moment on: a signal that comes while the program starts
    // is handled once the window is there.
    TerminationSignals termination;

    // The settings first: from here on the file says this run has not ended.
    // Without settings or editor registry the program cannot start.
    std::unique_ptr<QuorvelRuntime> runtime;
    try {
        runtime = std::make_unique<QuorvelRuntime>(user);
    } catch (const QuorvelError& error) {
        user.ShowError(error.Message());
        return 1;
    }

    auto mainForm = std::make_unique<TMainForm>(*runtime);
    user.SetDialogParent(mainForm.get());
    QuorvelProgressDialog = new TQuorvelProgressDialog(mainForm.get());
    ProjectMngr->SetProgress(QuorvelProgressDialog);

    // A logout, a shutdown or Ctrl-C ends the program as closing the window
    // does, and the catalogue and the settings are written as at every end.
    QObject::connect(&termination, &TerminationSignals::requested, mainForm.get(),
                     [window = mainForm.get()] { CloseAsTheUserWould(window); });

    mainForm->show();
    const int result = app.exec();

    ProjectMngr->SetProgress(nullptr);
    QuorvelProgressDialog = nullptr;
    // The catalogue, the editor registry and the settings are written here,
    // with the window still there for the nodes the catalogue takes away.
    runtime.reset();
    return result;
}
