#include "catalogue/VersionListView.h"

#include "catalogue/TVersion.h"

#include <algorithm>

VersionListView::~VersionListView() {
    ForgetAllRows();
}

void VersionListView::ForgetAllRows() {
    for (TVersion* version : listed_) {
        version->fListItem = nullptr;
        version->listView_ = nullptr;
    }
    listed_.clear();
}

void VersionListView::AddRow(TVersion* version) {
    if (version->listView_)
        version->listView_->DeleteRow(version);
    version->fListItem = CreateRow(version);
    version->listView_ = this;
    listed_.push_back(version);
}

void VersionListView::DeleteRow(TVersion* version) {
    if (version->listView_ != this)
        return;
    auto it = std::find(listed_.rbegin(), listed_.rend(), version);
    if (it != listed_.rend())
        listed_.erase(std::next(it).base());
    VersionListRow* row = version->fListItem;
    version->fListItem = nullptr;
    version->listView_ = nullptr;
    DestroyRow(row);
}

void VersionListView::Clear() {
    ForgetAllRows();
    DestroyAllRows();
}

int VersionListView::CompareRows(const TVersion* a, const TVersion* b) {
    // The sign of number(b) - number(a), without overflow.
    const int na = a->Nr();
    const int nb = b->Nr();
    return nb > na ? 1 : (nb < na ? -1 : 0);
}
