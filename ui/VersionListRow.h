#pragma once

#include <QString>

class TVersion;

// One entry of the version list: the version it shows, its caption, its
// group (the version's state) and its picture.
class VersionListRow {
public:
    explicit VersionListRow(TVersion* version) : version_(version) {}

    TVersion* Version() const { return version_; }

    QString caption;
    // 1 "Checked out", 0 "Version(s)"; -1 until the row is first set.
    int groupId = -1;
    int imageIndex = -1;
    // The version's number as of the last SetRow: sorting compares it
    // often, and reading it from the name each time is slow.
    int number = 0;

private:
    TVersion* version_;
};
