#pragma once

#include "workspace/TQuorvelConfig.h"

class TVersionManager;
class UserInterface;
class VersionListView;

// The program's life in one place: creates the three long-lived objects
// (QuorvelConfig, ProjectMngr, VersionMngr) in the program's order, takes
// them down in the reverse of it, installs the user for that time, and
// joins the workspace manager to the version manager. The desktop program,
// the command-line tool, the tests and the benchmarks all start this way.
class QuorvelRuntime {
public:
    // The settings first (they read their file and, read-write, mark the
    // run as not yet ended), then the workspace manager with the editor
    // registry. Raises QuorvelError when either cannot start; nothing is
    // left then.
    explicit QuorvelRuntime(UserInterface& user,
                            TQuorvelConfig::Access access = TQuorvelConfig::Access::ReadWrite);
    // The workspace manager first (the catalogue and the editor registry
    // are saved), then the version manager, then the settings (written
    // with the clean-end mark); then the user is taken away.
    ~QuorvelRuntime();
    QuorvelRuntime(const QuorvelRuntime&) = delete;
    QuorvelRuntime& operator=(const QuorvelRuntime&) = delete;

    // The version manager on the list (null: nothing is listed), made the
    // first time it is asked for; the window asks when it is first shown.
    TVersionManager* VersionManager(VersionListView* view);
};
