#pragma once

#include "versioning/VersionSize.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class QThread;

// Measures one version folder at a time on a worker thread, so that the
// window never waits for a large version. Asking for another folder
// cancels the one being measured; a result for a folder no longer wanted
// is dropped.
class BackgroundSize : public QObject {
    Q_OBJECT

public:
    explicit BackgroundSize(QObject* parent = nullptr);
    ~BackgroundSize() override;

    void Measure(const QString& folder);
    // No folder is wanted any more.
    void Forget();
    bool Busy() const { return worker_ != nullptr; }

    // "3 files, 12.0 KB", with the part shared with other versions and
    // what deleting the version would free where blocks are shared.
    static QString Describe(const VersionSize::Totals& totals);

signals:
    // The text for folder, or why it could not be measured.
    void measured(const QString& folder, const QString& text);

private:
    void StartNext();
    void Deliver(const QString& folder, const QString& text);

    QThread* worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QString wanted_;
    QString running_;
};
