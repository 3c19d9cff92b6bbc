#include "ui/ArchiveSender.h"

#include "platform/UserInterface.h"
#include "versioning/VersionArchive.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMainWindow>
#include <QMutex>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

// What the worker reports and the window shows.
struct Shared {
    QMutex lock;
    qint64 done = 0;
    qint64 total = 0;
    QString file;
    std::atomic<bool> cancel{false};
};

// The progress bar's steps: bytes would overflow its int.
constexpr int Steps = 1000;

} // namespace

ArchiveSender::ArchiveSender(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("ArchiveSender"));
}

QString ArchiveSender::Send(const QString& client, const QString& project, const QString& version,
                            const QString& versionFolder) {
    // The window answers while an archive is written, before its progress
    // shows: one archive at a time.
    if (sending_)
        return QString();
    sending_ = true;
    const auto done = qScopeGuard([this] { sending_ = false; });
    const QString folder = lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
    const std::optional<QString> chosen = User().AskSaveFile(
        QStringLiteral("Send as Archive"),
        QDir(folder).filePath(VersionArchive::DefaultFileName(client, project, version)),
        QStringLiteral("Zip archives"), QStringLiteral("*.zip"));
    if (!chosen || chosen->isEmpty())
        return QString();
    const QString target = QFileInfo(*chosen).absoluteFilePath();
    lastFolder_ = QFileInfo(target).absolutePath();

    auto shared = std::make_shared<Shared>();
    auto archive = std::make_shared<VersionArchive>();
    archive->SetProgress(
        [shared, step = workerStep_](qint64 done, qint64 total, const QString& file) {
            if (step)
                step();
            QMutexLocker hold(&shared->lock);
            shared->done = done;
            shared->total = total;
            shared->file = file;
            return !shared->cancel.load();
        });
    auto written = std::make_shared<bool>(false);
    std::unique_ptr<QThread> worker(QThread::create([archive, written, versionFolder, target] {
        *written = archive->Write(versionFolder, target);
    }));

    QProgressDialog progress(window_);
    progress.setObjectName(QStringLiteral("ArchiveProgress"));
    progress.setWindowTitle(QStringLiteral("Send as Archive"));
    progress.setLabelText(QStringLiteral("Writing %1...").arg(QFileInfo(target).fileName()));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, Steps);
    progress.setMinimumDuration(quietMilliseconds_);
    connect(&progress, &QProgressDialog::canceled, this, [shared] { shared->cancel = true; });
    connect(&progress, &QDialog::rejected, this, [shared] { shared->cancel = true; });
    QTimer tick;
    tick.setInterval(50);
    connect(&tick, &QTimer::timeout, this, [&] {
        // Escape and the window's close button cancel too.
        if (progress.wasCanceled())
            shared->cancel = true;
        QMutexLocker hold(&shared->lock);
        if (shared->total > 0)
            progress.setValue(int(shared->done * Steps / shared->total));
        else
            progress.setValue(0);
        if (progress.isVisible() && !shared->file.isEmpty())
            progress.setLabelText(QStringLiteral("Writing %1...\n%2")
                                      .arg(QFileInfo(target).fileName(), shared->file));
    });
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    progress.setValue(0);
    if (quietMilliseconds_ <= 0)
        progress.show();
    worker->start();
    tick.start();
    loop.exec();
    worker->wait();
    tick.stop();
    progress.close();

    if (!*written) {
        if (!archive->Cancelled())
            User().ShowMessage(archive->Error());
        return QString();
    }
    if (auto* main = qobject_cast<QMainWindow*>(window_))
        main->statusBar()->showMessage(QStringLiteral("Archive written: %1").arg(target), 10000);
    return target;
}
