#include "workspace/TQuorvelConfig.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "workspace/TRecentOpened.h"

TQuorvelConfig* QuorvelConfig = nullptr;

namespace {
const QLatin1String kSection("Project");
const QLatin1String kShutDown("ShutDown");
const QLatin1String kWorkspace("Workspace");
const QLatin1String kViewStyle("ViewStyle");
} // namespace

TQuorvelConfig::TQuorvelConfig(Access access)
    : fIniFile(std::make_unique<ProfileFile>(ProgramPaths::SettingsFile())),
      FRecentOpened(std::make_unique<TRecentOpened>()), access_(access) {
    FRecentOpened->SetMaxItem(16);
    Read();
}

TQuorvelConfig::~TQuorvelConfig() {
    try {
        Write();
    } catch (const QuorvelError& error) {
        User().ShowError(error.Message());
    } catch (const std::exception& error) {
        User().ShowError(QString::fromLocal8Bit(error.what()));
    }
}

QString TQuorvelConfig::FileName() const {
    return fIniFile->FileName();
}

QString TQuorvelConfig::GetWorkspace() {
    if (!FWorkspace.isEmpty())
        return FWorkspace;
    const QString defaultWorkspace = ProgramPaths::DefaultWorkspace();
    FRecentOpened->AddWorkspace(defaultWorkspace);
    return defaultWorkspace;
}

void TQuorvelConfig::Read() {
    FShutDown = fIniFile->ReadBool(kSection, kShutDown, true);
    // Stays "0" until the program ends normally, so the next start can tell.
    if (access_ == Access::ReadWrite)
        fIniFile->WriteBool(kSection, kShutDown, false);
    FWorkspace = fIniFile->ReadString(kSection, kWorkspace, QString());
    FViewStyle = fIniFile->ReadInteger(kSection, kViewStyle, 0);
    FRecentOpened->Clear();
    FRecentOpened->ReadFromIni(*fIniFile);
}

void TQuorvelConfig::Write() {
    if (access_ == Access::ReadOnly)
        return;
    // One write for all of it: a crash must not leave the clean-end mark
    // beside the previous run's workspace.
    fIniFile->BeginWrites();
    try {
        fIniFile->WriteBool(kSection, kShutDown, true);
        fIniFile->WriteString(kSection, kWorkspace, FWorkspace);
        fIniFile->WriteInteger(kSection, kViewStyle, FViewStyle);
        FRecentOpened->WriteToIni(*fIniFile);
        fIniFile->EndWrites();
    } catch (...) {
        fIniFile->CancelWrites();
        throw;
    }
}
