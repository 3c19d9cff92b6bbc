#pragma once

#include <QString>

class TVersion;

// A version as its folder and data file have it now, against what the
// program holds (and showed the user). Another program may have checked it
// in, or removed it, a moment ago: a command that changes a version asks
// here first, under the workspace lock.
class VersionOnDisk {
public:
    // Empty when the folder is there and its data file (when it has one)
    // gives the state and the last record the program holds. Otherwise
    // the program takes the data file's record (so that the window shows
    // it), and the answer says what changed and that nothing was done.
    static QString ChangedSinceShown(TVersion& version);
};
