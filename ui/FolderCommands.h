#pragma once

#include <QObject>
#include <QString>
#include <functional>

class CatalogueTree;
class QAction;
class QMenu;
class QWidget;
class TVersionItem;
class VersionListWidget;

// "Open folder" for the version list and for the tree's clients and
// projects: shows the item's folder in the desktop's file manager. Each
// command sits in its context menu and answers Ctrl+Shift+O while the
// focus is in its view. Writes nothing.
class FolderCommands : public QObject {
    Q_OBJECT

public:
    using Opener = std::function<bool(const QString& folder)>;
    using BusyTest = std::function<bool()>;

    // Adds the commands to the menus and views; busy tells when the
    // catalogue must be left alone.
    FolderCommands(CatalogueTree* tree, QMenu* treeMenu, VersionListWidget* list,
                   QMenu* versionMenu, BusyTest busy, QObject* parent);

    QAction* VersionCommand() const { return versionFolder_; }
    QAction* TreeCommand() const { return itemFolder_; }
    // Replaces the desktop's file manager (for tests); false when nothing
    // took the folder.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // The item each command opens: the active version, else the listed
    // project; the client or project selected in the tree. Null for none.
    TVersionItem* VersionTarget() const;
    TVersionItem* TreeTarget() const;

private:
    void UpdateEnabled();
    // Refuses a folder that is gone, with a message that says what to do.
    void OpenFolderOf(TVersionItem* item);
    // Tells the user that nothing showed the folder, and what to install.
    void NoProgramShown(const QString& folder);

    CatalogueTree* tree_;
    QAction* versionFolder_;
    QAction* itemFolder_;
    BusyTest busy_;
    Opener opener_;
};
