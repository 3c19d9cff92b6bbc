#pragma once

// The real main window for the window benchmarks: settings that start it
// on a given workspace, the progress dialog, and the program's own order
// of taking it down.

#include "platform/ProgramPaths.h"
#include "ui/QtUser.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/QuorvelRuntime.h"
#include "workspace/TProjectManager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <memory>

class BenchWindow {
public:
    // The program folder must be set; the window is shown and started.
    explicit BenchWindow(const QString& startWorkspace) {
        {
            QFile settings(ProgramPaths::SettingsFile());
            settings.open(QIODevice::WriteOnly);
            settings.write("[Project]\r\nShutDown=1\r\nWorkspace=" +
                           QFile::encodeName(startWorkspace) + "\r\n");
        }
        runtime_ = std::make_unique<QuorvelRuntime>(user_);
        window_ = new TMainForm(*runtime_);
        user_.SetDialogParent(window_);
        QuorvelProgressDialog = new TQuorvelProgressDialog(window_);
        ProjectMngr->SetProgress(QuorvelProgressDialog);
        window_->show();
        for (QDeadlineTimer deadline(60000); !window_->Started() && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ~BenchWindow() {
        ProjectMngr->SetProgress(nullptr);
        QuorvelProgressDialog = nullptr;
        runtime_.reset();
        delete window_;
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    TMainForm* operator->() const { return window_; }
    TMainForm* Get() const { return window_; }

private:
    QtUser user_;
    std::unique_ptr<QuorvelRuntime> runtime_;
    TMainForm* window_ = nullptr;
};
