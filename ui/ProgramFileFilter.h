#pragma once

#include <QSortFilterProxyModel>

// Lets a file dialog offer only what may be run: folders, and the files
// the user may execute. Programs here carry no extension, so a name
// pattern cannot pick them out, and QFileSystemModel's own permission
// filter hides every file it can read.
class ProgramFileFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit ProgramFileFilter(QObject* parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};
