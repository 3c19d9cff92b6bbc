#pragma once

#include <QString>
#include <vector>

class TVersion;
// A row of the version list; each view defines its own.
class VersionListRow;

// The grouped version list as the catalogue sees it. The view owns its
// rows; a version keeps its row. The public calls keep both sides in
// step: when the list is emptied, every version forgets its row.
class VersionListView {
public:
    virtual ~VersionListView();

    // Adds a row for the version (replacing one it had) and links the two.
    void AddRow(TVersion* version);
    // Deletes the version's row, if it has one here.
    void DeleteRow(TVersion* version);
    // Deletes every row; no version keeps a link to one.
    void Clear();
    int RowCount() const { return int(listed_.size()); }

    virtual void SetRow(VersionListRow* row, const QString& caption, int groupId,
                        int imageIndex) = 0;
    virtual void SetGroupHeader(int groupIndex, const QString& header) = 0;
    // Orders the rows by the list's rule (CompareRows).
    virtual void Sort() = 0;
    virtual void SelectRow(VersionListRow* row) = 0;
    virtual bool IsRowSelected(const VersionListRow* row) const = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;

    // The list's order: highest version number first; negative when a
    // goes before b.
    static int CompareRows(const TVersion* a, const TVersion* b);

protected:
    virtual VersionListRow* CreateRow(TVersion* version) = 0;
    virtual void DestroyRow(VersionListRow* row) = 0;
    virtual void DestroyAllRows() = 0;
    // Subclasses whose destructor runs first call this to unlink versions.
    void ForgetAllRows();

private:
    std::vector<TVersion*> listed_;
};
