#pragma once

#include "platform/FileHandle.h"

#include <QString>
#include <memory>

class ProfileFile;
class TRecentOpened;

// The values that survive a restart: the last workspace, the version
// list's style, whether the previous run ended cleanly and the recently
// opened workspaces. Read from the settings file when created, written
// back when destroyed.
//
// Several read-write runs may share one settings file (two windows, two
// users of one installation). Each holds a shared lock on the lock file
// beside it ("<settings file>.lock") for as long as it runs, so the
// clean-end mark stays "0" until the last of them ends, and a start takes
// "0" for a crash only when no other run holds the lock; a killed run's
// lock dies with it. Starts and ends take turns through the same file.
class TQuorvelConfig {
public:
    enum class Access {
        // Marks the run as not yet ended in the file at once and writes
        // everything at the end.
        ReadWrite,
        // Reads the file and never writes it.
        ReadOnly,
    };

    // Opens ProgramPaths::SettingsFile() and reads it. Raises QuorvelError
    // "Unable to write to ..." when the file refuses the start mark.
    explicit TQuorvelConfig(Access access = Access::ReadWrite);
    // Writes everything (not in read-only mode); a failure is shown through
    // User().ShowError, never thrown.
    ~TQuorvelConfig();
    TQuorvelConfig(const TQuorvelConfig&) = delete;
    TQuorvelConfig& operator=(const TQuorvelConfig&) = delete;

    // The stored workspace; when none is stored, the default workspace,
    // which is then added to the recent list but not stored.
    QString GetWorkspace();
    void SetWorkspace(const QString& Value) { FWorkspace = Value; }

    // Whether the previous run ended cleanly; also true when the file says
    // otherwise because another run still goes on.
    bool ShutDownCorrect() const { return FShutDown; }
    void SetShutDown(bool Value) { FShutDown = Value; }

    // 0 large icons, 1 small icons, 2 list, 3 report.
    int ViewStyle() const { return FViewStyle; }
    void SetViewStyle(int Value) { FViewStyle = Value; }

    TRecentOpened* RecentOpened() const { return FRecentOpened.get(); }
    QString FileName() const;

    // Reads every value; in read-write mode first marks the run as not yet
    // ended ("ShutDown" = "0") and counts it among the running ones.
    void Read();
    // Writes every value with the clean-end mark, in one write of the file;
    // raises QuorvelError when the file refuses, and then writes nothing.
    // The mark stays "0" while another run goes on: that one writes "1"
    // at its end. From here on this run no longer counts as running.
    // Does nothing in read-only mode.
    void Write();

private:
    bool OtherRunAlive() const;

    std::unique_ptr<ProfileFile> fIniFile;
    QString FWorkspace;
    bool FShutDown = true;
    int FViewStyle = 0;
    std::unique_ptr<TRecentOpened> FRecentOpened;
    Access access_;
    // The lock file; closed in read-only mode or when it cannot be opened,
    // and then the mark works as if this run were alone.
    FileHandle runLock_;
};

// The settings of the running program; created first and destroyed last
// by the program's entry.
extern TQuorvelConfig* QuorvelConfig;
