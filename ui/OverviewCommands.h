#pragma once

#include <QObject>
#include <QPointer>

class CheckedOutPanel;
class CompareDialog;
class QAction;
class QMenu;
class TMainForm;
class TVersion;

// The commands of the ribbon's "Overview" tab: the workspace's checked-out
// versions at a glance, and comparing the selected version with its parent
// or another version of its project.
class OverviewCommands : public QObject {
    Q_OBJECT

public:
    // Adds the tab to window's ribbon and the (hidden) checked-out panel
    // to the window, and follows the window's commands that change what
    // is checked out.
    explicit OverviewCommands(TMainForm* window);

    QAction* CheckedOutAction() const { return checkedOutAction_; }
    QAction* CompareParentAction() const { return compareParentAction_; }
    QAction* CompareOtherAction() const { return compareOtherAction_; }
    // The other versions of the selected version's project, filled as the
    // menu opens.
    QMenu* CompareMenu() const { return compareMenu_; }
    CheckedOutPanel* Panel() const { return panel_; }
    // The comparison shown last, if any.
    CompareDialog* Comparison() const;

    // Selects the project in the tree and the version in the list, as the
    // user's clicks do; false when they are not in the catalogue.
    bool SelectVersion(const QString& client, const QString& project, const QString& version);
    // Compares the selected version with other (older first by number).
    void CompareWith(TVersion* other);
    // The selected version's parent, when its project holds it.
    static TVersion* ParentOfSelected();
    // Enables the commands by the active item; runs whenever the program
    // is about to wait for input.
    void UpdateEnabled();

private:
    void ShowCheckedOut();
    void FillCompareMenu();

    TMainForm* window_;
    CheckedOutPanel* panel_;
    QAction* checkedOutAction_;
    QAction* compareParentAction_;
    QAction* compareOtherAction_;
    QMenu* compareMenu_;
    QPointer<CompareDialog> comparison_;
};
