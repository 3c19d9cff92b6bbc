#include "ui/QtUser.h"

#include "ui/ProgramFileFilter.h"
#include "ui/TCheckInDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

// Enough steps for a smooth bar, small enough for an int.
constexpr int CopySteps = 1000;

} // namespace

QString QtUser::ApplicationTitle() {
    return QStringLiteral("Velmora Quorvel");
}

QString QtUser::ErrorBoxText(const QString& message) {
    return ErrorDisplayText(message);
}

QString QtUser::ConfirmBoxText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

QtUser::QtUser() {
    sinceEvents_.start();
}

QtUser::~QtUser() = default;

QWidget* QtUser::Parent() const {
    if (dialogParent_)
        return dialogParent_;
    return QApplication::activeWindow();
}

void QtUser::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, Parent());
    box.exec();
}

void QtUser::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(text), QMessageBox::Ok,
                    Parent());
    box.exec();
}

bool QtUser::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), ConfirmBoxText(text),
                    QMessageBox::Yes | QMessageBox::No, Parent());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtUser::AskName(const QString& caption, const QString& prompt,
                                       const QString& text) {
    QInputDialog dialog(Parent());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(text);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtUser::AskCheckIn(const QString& owner, const QString& description) {
    TCheckInDialog dialog(Parent());
    dialog.SetOwner(owner);
    dialog.SetDescription(description);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Description();
}

std::optional<QString> QtUser::AskOpenFile(const OpenFileRequest& request) {
    QFileDialog dialog(Parent(), request.title, request.initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Only what may be run is offered: programs here carry no extension.
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    dialog.setProxyModel(new ProgramFileFilter(&dialog));
    QString description = request.filterDescription;
    const qsizetype bracket = description.indexOf(u'(');
    if (bracket > 0)
        description = description.left(bracket).trimmed();
    const QString pattern =
        request.filterPattern.isEmpty() ? QStringLiteral("*") : request.filterPattern;
    QStringList patterns{pattern};
    if (pattern.toLower() != pattern)
        patterns << pattern.toLower();
    dialog.setNameFilter(QStringLiteral("%1 (%2)").arg(description, patterns.join(u' ')));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUser::AskFolder(const QString& prompt, const QString& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(Parent(), prompt, initialFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

void QtUser::ProcessPendingEvents() {
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < 16)
        return;
    QCoreApplication::processEvents();
    sinceEvents_.restart();
}

void QtUser::BeginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUser::EndBusy() {
    if (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void QtUser::CopyStarted(const QString& source, const QString& destination, qint64 totalBytes) {
    copyTotal_ = totalBytes;
    copyProgress_ = std::make_unique<QProgressDialog>(Parent());
    copyProgress_->setWindowTitle(ApplicationTitle());
    copyProgress_->setLabelText(
        QStringLiteral("Copying %1\nto %2")
            .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(destination)));
    copyProgress_->setCancelButton(nullptr);
    copyProgress_->setRange(0, CopySteps);
    copyProgress_->setMinimumDuration(1000);
    copyProgress_->setWindowModality(Qt::WindowModal);
    copyProgress_->setValue(0);
}

void QtUser::CopyProgress(qint64 doneBytes) {
    if (!copyProgress_)
        return;
    const int step =
        copyTotal_ > 0 ? int(std::min<qint64>(CopySteps, doneBytes * CopySteps / copyTotal_)) : 0;
    if (step != copyProgress_->value())
        copyProgress_->setValue(step);
    ProcessPendingEvents();
}

void QtUser::CopyFinished() {
    copyProgress_.reset();
    copyTotal_ = 0;
}
