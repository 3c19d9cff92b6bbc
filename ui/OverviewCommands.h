#pragma once

#include <QObject>
#include <QPointer>

class ArchiveSender;
class CheckedOutPanel;
class CompareDialog;
class HistoryPanel;
class QAction;
class QMenu;
class TMainForm;
class TVersion;

// The commands of the ribbon's "Overview" tab: the workspace's checked-out
// versions at a glance, a project's history and the search through every
// check-in, comparing the selected version with its parent or another
// version of its project, and sending a version as a zip file.
class OverviewCommands : public QObject {
    Q_OBJECT

public:
    // Adds the tab to window's ribbon and the (hidden) checked-out and
    // history panels to the window, and follows the window's commands that change what
    // is checked out.
    explicit OverviewCommands(TMainForm* window);

    QAction* CheckedOutAction() const { return checkedOutAction_; }
    QAction* CompareParentAction() const { return compareParentAction_; }
    QAction* CompareOtherAction() const { return compareOtherAction_; }
    QAction* HistoryAction() const { return historyAction_; }
    QAction* SendArchiveAction() const { return sendArchiveAction_; }
    // The other versions of the selected version's project, filled as the
    // menu opens.
    QMenu* CompareMenu() const { return compareMenu_; }
    CheckedOutPanel* Panel() const { return panel_; }
    HistoryPanel* History() const { return history_; }
    ArchiveSender* Sender() const { return sender_; }
    // The comparison shown last, if any.
    CompareDialog* Comparison() const;

    // Selects the project in the tree and the version in the list, as the
    // user's clicks do; false when they are not in the catalogue. The
    // focus goes to the list unless a panel keeps it.
    bool SelectVersion(const QString& client, const QString& project, const QString& version,
                       bool focusList = true);
    // Compares the selected version with other (older first by number).
    void CompareWith(TVersion* other);
    // The selected version's parent, when its project holds it.
    static TVersion* ParentOfSelected();
    // Enables the commands by the active item; runs whenever the program
    // is about to wait for input.
    void UpdateEnabled();

private:
    void ShowCheckedOut();
    void ShowHistory();
    void SendArchive();
    // Enter on a history row: that version with its parent.
    void CompareFromHistory(const QString& client, const QString& project, const QString& version);
    // The history follows the listed project and the selected version.
    void FollowInHistory();
    void FillCompareMenu();

    TMainForm* window_;
    CheckedOutPanel* panel_;
    HistoryPanel* history_;
    ArchiveSender* sender_;
    QAction* checkedOutAction_;
    QAction* compareParentAction_;
    QAction* compareOtherAction_;
    QAction* historyAction_;
    QAction* sendArchiveAction_;
    QMenu* compareMenu_;
    // The version the history last showed as current.
    QString historyCurrent_;
    QPointer<CompareDialog> comparison_;
};
