#pragma once

#include "versioning/ProjectHistory.h"

#include <QDockWidget>
#include <QHash>

class QComboBox;
class QLineEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The history of the project the version list shows, newest first, or
// with the second scope every check-in of the workspace; a filter field
// above it keeps the rows whose description, owner or version name holds
// its text. Selecting a row asks for its version; Enter or a double click
// asks to compare it with its parent.
class HistoryPanel : public QDockWidget {
    Q_OBJECT

public:
    enum class Scope { Project, Workspace };

    explicit HistoryPanel(QWidget* parent = nullptr);
    ~HistoryPanel() override;

    // The catalogue may have changed: the rows are read again when the
    // panel is next on screen (at once when it is on screen now).
    void Invalidate();
    // The project the version list shows now; the project's history is
    // read again when it is another one.
    void FollowListedProject(const QString& client, const QString& project);
    // Reads the rows now, as the checked-out panel does: progress with
    // Cancel past a moment. False when it was cancelled or must wait for a
    // catalogue being read.
    bool Refresh();

    Scope CurrentScope() const;
    void SetScope(Scope scope);
    // Applies text as the filter at once, as typing it does.
    void SetFilterText(const QString& text);
    // Marks the row of that version current without asking for it, so the
    // panel follows a choice made in the list.
    void ShowCurrent(const QString& client, const QString& project, const QString& version);

    QTreeWidget* List() const { return list_; }
    QLineEdit* FilterField() const { return filter_; }
    QComboBox* ScopeBox() const { return scope_; }
    // The shown rows' visible columns, joined by " | ".
    QStringList Rows() const;
    bool Stale() const { return stale_; }

signals:
    void versionSelected(const QString& client, const QString& project, const QString& version);
    void compareWanted(const QString& client, const QString& project, const QString& version);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFilter();
    void ScheduleRefresh();
    void ShowTitle();
    void Emit(QTreeWidgetItem* row, bool compare);

    QLineEdit* filter_;
    QComboBox* scope_;
    QTreeWidget* list_;
    QTimer* filterDelay_;
    // Every row read, before the filter.
    std::vector<ProjectHistory::Row> rows_;
    // Why a version's data file could not be read, by "client/project/version".
    QHash<QString, QString> unreadable_;
    QString client_;
    QString project_;
    bool stale_ = true;
    bool gathering_ = false;
    bool scheduled_ = false;
    bool filling_ = false;
};
