#include "ui/ProgramFileFilter.h"

#include <QFileInfo>
#include <QFileSystemModel>

ProgramFileFilter::ProgramFileFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

bool ProgramFileFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files)
        return true;
    const QFileInfo info = files->fileInfo(files->index(sourceRow, 0, sourceParent));
    return info.isDir() || (info.isFile() && info.isExecutable());
}
