#pragma once

#include "platform/ProgramPaths.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "ui/TMainForm.h"
#include "ui/TQuorvelApplication.h"
#include "ui/TQuorvelProgressDialog.h"
#include "versioning/QuorvelRuntime.h"
#include "versioning/TVersionManager.h"
#include "workspace/RebuildProgress.h"
#include "workspace/TProjectManager.h"
#include "workspace/TQuorvelConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// The desktop program as the entry builds it, on a temporary program
// folder (settings, editor registry, default workspace) and a scripted
// user.
class GuiHarness {
public:
    GuiHarness() : programFolder_(QDir::tempPath() + QStringLiteral("/quorvel-program-XXXXXX")) {
        ProgramPaths::SetProgramFolderForTesting(programFolder_.path());
    }
    ~GuiHarness() {
        Stop();
        ProgramPaths::SetProgramFolderForTesting(QString());
    }
    GuiHarness(const GuiHarness&) = delete;
    GuiHarness& operator=(const GuiHarness&) = delete;

    QString ProgramFolder() const { return programFolder_.path() + u'/'; }
    QString SettingsFile() const { return ProgramPaths::SettingsFile(); }

    // The settings file, lines joined with CR LF.
    void WriteSettings(const QStringList& lines) const { WriteFile(SettingsFile(), lines); }
    void WriteEditorRegistry(const QStringList& lines) const {
        WriteFile(ProgramPaths::EditorRegistryFile(), lines);
    }

    // Creates the globals and the window, as the program's entry does.
    void Create() {
        runtime = std::make_unique<QuorvelRuntime>(user);
        window = new TMainForm(*runtime);
        QuorvelProgressDialog = new TQuorvelProgressDialog(window);
        ProjectMngr->SetProgress(QuorvelProgressDialog);
    }
    // Shows the window and waits for its start-up sequence; false when it
    // did not finish.
    bool Show() {
        window->show();
        return QTest::qWaitFor([this] { return window->Started(); });
    }
    bool Start() {
        Create();
        return Show();
    }

    // Closes the window and takes everything down in the program's order.
    void Stop() {
        if (!window)
            return;
        window->close();
        ProjectMngr->SetProgress(nullptr);
        QuorvelProgressDialog = nullptr;
        runtime.reset();
        delete window;
        window = nullptr;
    }

    // A version folder with its data file.
    static void MakeVersion(const QString& folder, bool checkedOut, const QString& parent,
                            const QString& owner, const QString& when,
                            const QString& description = QString(),
                            const QString& editor = QString()) {
        QDir().mkpath(folder);
        const QString text =
            QStringLiteral("<Version state=\"%1\" parent=\"%2\" >\r<Editor>\r%3</Editor>\r"
                           "    <Date_time>\r        %4\r    </Date_time>\r"
                           "    <Owner>\r        %5\r    </Owner>\r"
                           "    <Description>\r        %6\r    </Description>\r</Version>\r\n")
                .arg(checkedOut ? QStringLiteral("checked out") : QStringLiteral("checked in"),
                     parent, editor, when, owner, description);
        QFile file(folder + QStringLiteral("/QuorvelConfig.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toLatin1());
    }

    static void WriteFile(const QString& path, const QStringList& lines) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    }

    ScriptedUser user;
    std::unique_ptr<QuorvelRuntime> runtime;
    TMainForm* window = nullptr;

private:
    QTemporaryDir programFolder_;
};

// Passes a rebuild's reports on to the progress dialog and notes what the
// dialog shows after each.
class ProgressRecorder : public RebuildProgress {
public:
    explicit ProgressRecorder(TQuorvelProgressDialog* dialog) : dialog_(dialog) {}

    void ItemAdded(TProjectManager* Sender, TVersionItem* Item) override {
        dialog_->ItemAdded(Sender, Item);
        texts << dialog_->ProgressText();
        if (dialog_->isVisible())
            ++shownReports;
        if (onItem)
            onItem();
    }
    void DoError(const QString& Message) override { dialog_->DoError(Message); }

    QStringList texts;
    int shownReports = 0;
    std::function<void()> onItem;

private:
    TQuorvelProgressDialog* dialog_;
};

// Qt Test's main for the desktop program's tests: isolated from the
// user's files, with the program's own application object.
#define QUORVEL_GUI_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv) {                                                              \
        IsolateFromUserFiles();                                                                    \
        TQuorvelApplication app(argc, argv);                                                       \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
