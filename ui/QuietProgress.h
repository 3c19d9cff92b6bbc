#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Progress of long work on the window's thread: a modal dialog with
// Cancel that appears only when the work outlasts a quiet moment, and
// lets events run at most once a frame while it shows.
class QuietProgress {
public:
    QuietProgress(QWidget* parent, const QString& objectName, const QString& title,
                  const QString& label, qint64 quietMilliseconds);
    ~QuietProgress();

    // Reports done of total steps, with the text label makes when the
    // dialog is redrawn; false once the user cancelled. Events may have run
    // when it returns.
    bool Step(int done, int total, const std::function<QString()>& label = {});
    // Takes the dialog away, before a message or the result shows.
    void Close();

private:
    QWidget* parent_;
    QString objectName_;
    QString title_;
    QString label_;
    qint64 quietMilliseconds_;
    QElapsedTimer clock_;
    QElapsedTimer sinceEvents_;
    std::unique_ptr<QProgressDialog> dialog_;
};
