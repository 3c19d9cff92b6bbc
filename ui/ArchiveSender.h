#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// "Send as Archive": asks where to save a version's zip file (by default
// "Client - Project - Version N.zip" in the folder chosen last this run),
// then writes it on a worker thread while the window repaints, with
// progress and Cancel. A failure says which file; a Cancel leaves nothing.
class ArchiveSender : public QObject {
    Q_OBJECT

public:
    explicit ArchiveSender(QWidget* window);

    bool Sending() const { return sending_; }

    // The archive written, or nothing when the user cancelled or it failed
    // (the user was told why).
    QString Send(const QString& client, const QString& project, const QString& version,
                 const QString& versionFolder);

    // The folder the last archive went to; the next one is offered there.
    QString LastFolder() const { return lastFolder_; }
    // How long the work may go on before progress shows.
    void SetQuietMilliseconds(int milliseconds) { quietMilliseconds_ = milliseconds; }
    // Runs on the worker before each step of the archive (tests hold it
    // there to press Cancel).
    void SetWorkerStep(std::function<void()> step) { workerStep_ = std::move(step); }

private:
    QWidget* window_;
    QString lastFolder_;
    int quietMilliseconds_ = 500;
    bool sending_ = false;
    std::function<void()> workerStep_;
};
