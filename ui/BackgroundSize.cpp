#include "ui/BackgroundSize.h"

#include <QLocale>
#include <QThread>

BackgroundSize::BackgroundSize(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("BackgroundSize"));
}

BackgroundSize::~BackgroundSize() {
    if (worker_) {
        cancel_->store(true);
        worker_->wait();
        delete worker_;
    }
}

void BackgroundSize::Measure(const QString& folder) {
    wanted_ = folder;
    if (!worker_)
        StartNext();
    else if (running_ != wanted_)
        cancel_->store(true);
}

void BackgroundSize::Forget() {
    wanted_.clear();
    if (worker_)
        cancel_->store(true);
}

void BackgroundSize::StartNext() {
    if (wanted_.isEmpty())
        return;
    running_ = wanted_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    worker_ = QThread::create([this, folder = running_, cancel = cancel_] {
        VersionSize size;
        size.SetProgress([cancel](const VersionSize::Totals&) { return !cancel->load(); });
        const bool measured = size.Measure(folder);
        if (size.Cancelled())
            return;
        const QString text = measured ? Describe(size.Result())
                                      : QStringLiteral("cannot be measured: %1").arg(size.Error());
        // Queued: the window's thread takes it, after this worker is done.
        QMetaObject::invokeMethod(
            this, [this, folder, text] { Deliver(folder, text); }, Qt::QueuedConnection);
    });
    connect(worker_, &QThread::finished, this, [this] {
        worker_->deleteLater();
        worker_ = nullptr;
        // Another folder was asked for meanwhile, or this one again after
        // its measuring was cancelled.
        if (wanted_ != running_ || cancel_->load())
            StartNext();
    });
    worker_->start(QThread::LowPriority);
}

void BackgroundSize::Deliver(const QString& folder, const QString& text) {
    if (folder == wanted_)
        emit measured(folder, text);
}

QString BackgroundSize::Describe(const VersionSize::Totals& totals) {
    const QLocale locale = QLocale::system();
    const auto size = [&](qint64 bytes) {
        return locale.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    };
    QString text =
        totals.files == 1
            ? QStringLiteral("1 file, %1").arg(size(totals.bytes))
            : QStringLiteral("%1 files, %2").arg(locale.toString(totals.files), size(totals.bytes));
    if (totals.shared > 0)
        text += QStringLiteral(" (%1 shared with other versions: deleting it frees %2)")
                    .arg(size(totals.shared), size(totals.Unshared()));
    return text;
}
