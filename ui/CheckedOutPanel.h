#pragma once

#include "versioning/CheckedOutVersions.h"

#include <QDockWidget>

class QTreeWidget;
class QTreeWidgetItem;
class QProgressDialog;

// The panel listing every checked-out version of the workspace, oldest
// check-out first. Enter or a double click on a row asks for that version.
class CheckedOutPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit CheckedOutPanel(QWidget* parent = nullptr);
    ~CheckedOutPanel() override;

    // The catalogue may have changed: the list is read again when it is
    // next on screen (at once when it is on screen now).
    void Invalidate();
    // Reads the list now. The first read of a catalogue reads every
    // project's data files; past a moment it shows a progress dialog and
    // lets the window repaint. False when it was cancelled or must wait
    // for a catalogue being read.
    bool Refresh();

    QTreeWidget* List() const { return list_; }
    // Each row's texts, joined by " | ".
    QStringList Rows() const;
    bool Stale() const { return stale_; }

signals:
    void versionChosen(const QString& client, const QString& project, const QString& version);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill(const std::vector<CheckedOutVersions::Entry>& entries);
    void Choose(QTreeWidgetItem* row);
    void ScheduleRefresh();

    QTreeWidget* list_;
    bool stale_ = true;
    bool gathering_ = false;
    bool scheduled_ = false;
};
