#include "ui/QuietProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace {

// About one frame: events run no more often than the screen is redrawn.
constexpr qint64 FrameMilliseconds = 16;

} // namespace

QuietProgress::QuietProgress(QWidget* parent, const QString& objectName, const QString& title,
                             const QString& label, qint64 quietMilliseconds)
    : parent_(parent), objectName_(objectName), title_(title), label_(label),
      quietMilliseconds_(quietMilliseconds) {
    clock_.start();
}

QuietProgress::~QuietProgress() = default;

bool QuietProgress::Step(int done, int total, const std::function<QString()>& label) {
    if (!dialog_ && clock_.elapsed() >= quietMilliseconds_) {
        // Modal, so that nothing but repaints reaches the window while the
        // work goes on.
        dialog_ =
            std::make_unique<QProgressDialog>(label_, QStringLiteral("Cancel"), 0, total, parent_);
        dialog_->setObjectName(objectName_);
        dialog_->setWindowTitle(title_);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
    }
    if (!dialog_ || (sinceEvents_.isValid() && sinceEvents_.elapsed() < FrameMilliseconds))
        return true;
    if (label)
        dialog_->setLabelText(label());
    dialog_->setValue(done);
    QApplication::processEvents();
    sinceEvents_.restart();
    return !dialog_->wasCanceled();
}

void QuietProgress::Close() {
    dialog_.reset();
}
