#pragma once

#include <QSet>
#include <QStringList>

class CatalogueTree;
class TVersionItem;
class VersionListWidget;

// How the user had the tree and the list, by names: the open clients, the
// listed project, the active item and where the tree was scrolled to. A
// rebuild makes every item anew; this puts back what is still there.
class CatalogueViewState {
public:
    static CatalogueViewState Of(const CatalogueTree& tree);
    void Restore(CatalogueTree& tree, VersionListWidget& list) const;

private:
    static QStringList PathOf(const TVersionItem* item);
    static TVersionItem* Find(const QStringList& path);

    QSet<QString> expanded_;
    QStringList listed_;
    QStringList active_;
    int scrolled_ = 0;
};
