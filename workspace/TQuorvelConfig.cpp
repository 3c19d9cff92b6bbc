#include "workspace/TQuorvelConfig.h"

#include "platform/FileRangeLock.h"
#include "platform/FileSystem.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "workspace/TRecentOpened.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <fcntl.h>

TQuorvelConfig* QuorvelConfig = nullptr;

namespace {
const QLatin1String kSection("Project");
const QLatin1String kShutDown("ShutDown");
const QLatin1String kWorkspace("Workspace");
const QLatin1String kViewStyle("ViewStyle");

// Bytes of the lock file: every running run holds the first shared; the
// second, held alone, is the turn to look at the others and write.
constexpr off_t kRunningByte = 0;
constexpr off_t kTurnByte = 1;

FileHandle OpenLockFile(const QString& settingsFile) {
    const QString name = settingsFile + QStringLiteral(".lock");
    FileSystem::MakePath(QFileInfo(name).absolutePath(), nullptr);
    return FileHandle(
        ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
}

// Waits for the turn; false when the file system refuses locks, and the
// run then goes on without one. Without turns two runs ending together
// would each see the other and both leave "0", and a start could miss an
// end that left "0" for it.
bool TakeTurn(const FileHandle& file) {
    return file.IsOpen() &&
           FileRangeLock::Lock(file.Get(), kTurnByte, 1, FileRangeLock::Kind::Exclusive);
}

void GiveTurn(const FileHandle& file, bool taken) {
    if (taken)
        FileRangeLock::Unlock(file.Get(), kTurnByte, 1);
}

} // namespace

TQuorvelConfig::TQuorvelConfig(Access access)
    : fIniFile(std::make_unique<ProfileFile>(ProgramPaths::SettingsFile())),
      FRecentOpened(std::make_unique<TRecentOpened>()), access_(access) {
    FRecentOpened->SetMaxItem(16);
    if (access_ == Access::ReadWrite)
        runLock_ = OpenLockFile(fIniFile->FileName());
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

bool TQuorvelConfig::OtherRunAlive() const {
    return runLock_.IsOpen() && FileRangeLock::HeldByOther(runLock_.Get(), kRunningByte, 1,
                                                           FileRangeLock::Kind::Exclusive);
}

void TQuorvelConfig::Read() {
    const bool turn = TakeTurn(runLock_);
    const auto giveTurn = qScopeGuard([this, turn] { GiveTurn(runLock_, turn); });
    // A "0" that a run still going on wrote is no crash.
    FShutDown = fIniFile->ReadBool(kSection, kShutDown, true) || OtherRunAlive();
    // Stays "0" until the program ends normally, so the next start can tell.
    if (access_ == Access::ReadWrite) {
        fIniFile->WriteBool(kSection, kShutDown, false);
        if (runLock_.IsOpen())
            FileRangeLock::TryLock(runLock_.Get(), kRunningByte, 1, FileRangeLock::Kind::Shared);
    }
    FWorkspace = fIniFile->ReadString(kSection, kWorkspace, QString());
    FViewStyle = fIniFile->ReadInteger(kSection, kViewStyle, 0);
    FRecentOpened->Clear();
    FRecentOpened->ReadFromIni(*fIniFile);
}

void TQuorvelConfig::Write() {
    if (access_ == Access::ReadOnly)
        return;
    const bool turn = TakeTurn(runLock_);
    const auto giveTurn = qScopeGuard([this, turn] { GiveTurn(runLock_, turn); });
    const bool lastToEnd = !OtherRunAlive();
    if (runLock_.IsOpen())
        FileRangeLock::Unlock(runLock_.Get(), kRunningByte, 1);
    // One write for all of it: a crash must not leave the clean-end mark
    // beside the previous run's workspace.
    fIniFile->BeginWrites();
    try {
        fIniFile->WriteBool(kSection, kShutDown, lastToEnd);
        fIniFile->WriteString(kSection, kWorkspace, FWorkspace);
        fIniFile->WriteInteger(kSection, kViewStyle, FViewStyle);
        FRecentOpened->WriteToIni(*fIniFile);
        fIniFile->EndWrites();
    } catch (...) {
        fIniFile->CancelWrites();
        throw;
    }
}
