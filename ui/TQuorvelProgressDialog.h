#pragma once

#include "workspace/RebuildProgress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

// The small panel that a rebuild started by the user runs behind. It names
// each client, project and version as the scan reaches it and shows the
// scan's error. It is made once and kept hidden between rebuilds, so what
// it shows carries over from one rebuild to the next.
class TQuorvelProgressDialog : public QDialog, public RebuildProgress {
    Q_OBJECT

public:
    explicit TQuorvelProgressDialog(QWidget* parent = nullptr);

    // Runs one rebuild of AProjectManger behind the dialog, 100 ms after
    // the dialog has appeared; returns when the dialog has closed. Does
    // nothing while a catalogue is being read or rebuilt.
    void Start(TProjectManager* AProjectManger);

    void ItemAdded(TProjectManager* Obs, TVersionItem* arg) override;
    void DoError(const QString& Msg) override;

    bool Active() const { return isVisible(); }
    // True shows the dialog without making it modal, false hides it.
    void SetActive(bool Value);

    QString MessageText() const;
    QString ProgressText() const;
    bool MessageIsRed() const;
    QPushButton* AbortButton() const { return Button2; }
    // True while Start's rebuild runs.
    bool Rebuilding() const { return rebuilding_; }

private:
    void Timer1Timer();
    void ShowProgressText(bool now);
    void Button2Click();

    TProjectManager* fProjectManager = nullptr;
    QString ClientName;
    QString ProjectName;
    QString VersionName;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* lblProgress;
    QPushButton* Button2;
    QTimer* Timer1;
    bool rebuilding_ = false;
    // What the progress line says; the label follows it at most once a frame,
    // and catches up at the end of a frame it skipped.
    QString progressText_;
    QElapsedTimer labelShown_;
    QTimer* labelCatchUp_;
};

// The one progress dialog of the running program.
extern TQuorvelProgressDialog* QuorvelProgressDialog;
