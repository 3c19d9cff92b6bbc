#include "ui/QtUser.h"

#include "ui/ProgramFileFilter.h"
#include "ui/TCheckInDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace {

// Enough steps for a smooth bar, small enough for an int.
constexpr int CopySteps = 1000;
// Room a name dialog's field gives a name, in average characters.
constexpr int NameFieldCharacters = 50;
// What a window manager's frame takes from a window's width.
constexpr int FrameAllowance = 40;
// Room for a file dialog's folders and its detail columns.
const QSize FileDialogSize(780, 460);

QScreen* ScreenFor(const QWidget* parent) {
    if (parent && parent->screen())
        return parent->screen();
    return QGuiApplication::primaryScreen();
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// QMessageBox wraps any text wider than half the screen, even where the
// screen has room for the line. Its label asks for the width of the
// longest line, within the most QMessageBox itself ever allows.
void KeepLinesWhole(QMessageBox& box, const QWidget* parent) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const int screenWidth = ScreenFor(parent)->availableGeometry().width();
    const int hardLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    int besideText = FrameAllowance;
    const QLayout* layout = box.layout();
    if (layout)
        besideText += layout->contentsMargins().left() + layout->contentsMargins().right();
    if (const auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
        icon && !icon->pixmap().isNull())
        besideText += icon->sizeHint().width() + 2 * std::max(layout ? layout->spacing() : 0, 0);
    const int wanted = WidestLine(label->fontMetrics(), box.text()) + 1;
    label->setMinimumWidth(std::min(wanted, hardLimit - besideText));
}

// Wide enough for a long name and for the prompt on one line; a prompt
// wider than the screen is wrapped. The dialog's layout holds it to its
// children's sizes, so the label asks for the width.
void SizeNameDialog(QInputDialog& dialog, const QWidget* parent) {
    auto* label = dialog.findChild<QLabel*>();
    if (!label)
        return;
    const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
    const int room = ScreenFor(parent)->availableGeometry().width() - FrameAllowance -
                     margins.left() - margins.right();
    const QFontMetrics metrics(label->font());
    int wanted = std::max(metrics.averageCharWidth() * NameFieldCharacters,
                          WidestLine(metrics, dialog.labelText()) + 1);
    if (wanted > room) {
        label->setWordWrap(true);
        wanted = room;
    }
    label->setMinimumWidth(wanted);
}

// Qt's file dialog opens narrower than its detail columns: sizes, kinds
// and dates show cut off. Those columns take what their contents need, and
// the dialog the room for them, where the screen has it.
void ShowWholeColumns(QFileDialog& dialog, const QWidget* parent) {
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const QSize room =
        ScreenFor(parent)->availableGeometry().size() - QSize(FrameAllowance, FrameAllowance);
    dialog.resize(dialog.sizeHint().expandedTo(FileDialogSize).boundedTo(room));
}

// Folder browsers stand in the middle of the screen, whichever window
// opened them.
void CentreOnScreen(QWidget& window, const QWidget* parent) {
    const QRect screen = ScreenFor(parent)->availableGeometry();
    // The frame is not known before the window is shown; the window's
    // own area is centred.
    QRect area(QPoint(), window.size());
    area.moveCenter(screen.center());
    window.setGeometry(area);
}

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
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, Parent());
    KeepLinesWhole(box, Parent());
    box.exec();
}

void QtUser::ShowInformation(const QString& text) {
    QMessageBox box(QMessageBox::Information, ApplicationTitle(), text, QMessageBox::Ok, Parent());
    KeepLinesWhole(box, Parent());
    box.exec();
}

void QtUser::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(text), QMessageBox::Ok,
                    Parent());
    KeepLinesWhole(box, Parent());
    box.exec();
}

bool QtUser::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), ConfirmBoxText(text),
                    QMessageBox::Yes | QMessageBox::No, Parent());
    box.setDefaultButton(QMessageBox::Yes);
    KeepLinesWhole(box, Parent());
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
    SizeNameDialog(dialog, Parent());
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
    ShowWholeColumns(dialog, Parent());
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
    QFileDialog dialog(Parent(), prompt);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The earlier choice, else the user's own folder, never the program's.
    const bool earlier = !initialFolder.isEmpty() && QFileInfo(initialFolder).isDir();
    dialog.setDirectory(earlier ? initialFolder : QDir::homePath());
    ShowWholeColumns(dialog, Parent());
    CentreOnScreen(dialog, Parent());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUser::AskSaveFile(const QString& title, const QString& suggested,
                                           const QString& filterDescription,
                                           const QString& filterPattern) {
    QFileDialog dialog(Parent(), title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("%1 (%2)").arg(filterDescription, filterPattern));
    dialog.setDefaultSuffix(QFileInfo(filterPattern).suffix());
    // A folder that is gone is not offered: the user's own folder instead.
    const QFileInfo offered(suggested);
    dialog.setDirectory(offered.dir().exists() ? offered.absolutePath() : QDir::homePath());
    dialog.selectFile(offered.fileName());
    ShowWholeColumns(dialog, Parent());
    CentreOnScreen(dialog, Parent());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
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

bool QtUser::WaitForWorkspace(const QString& holder, const std::function<bool()>& attempt) {
    QProgressDialog waiting(
        QStringLiteral("The workspace is being changed by %1.\nWaiting until that has finished…")
            .arg(holder),
        QStringLiteral("Cancel"), 0, 0, QApplication::activeWindow());
    waiting.setWindowTitle(ApplicationTitle());
    waiting.setWindowModality(Qt::ApplicationModal);
    waiting.setMinimumDuration(300);
    waiting.setValue(0);
    QEventLoop loop;
    bool acquired = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (attempt()) {
            acquired = true;
            loop.quit();
        }
    });
    QObject::connect(&waiting, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return acquired;
}
