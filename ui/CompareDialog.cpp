#include "ui/CompareDialog.h"

#include "catalogue/TVersion.h"
#include "platform/ComparisonProgram.h"
#include "platform/QuorvelError.h"
#include "platform/UserInterface.h"
#include "ui/DiffColours.h"
#include "ui/QuietProgress.h"
#include "ui/TreeWidgetRows.h"
#include "versioning/FolderDiff.h"
#include "versioning/UnifiedDiff.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

// Larger files are not read for the text diff.
constexpr qint64 LargestShownText = 4 * 1024 * 1024;

enum Column { ChangeColumn, FileColumn, BeforeColumn, AfterColumn, ColumnCount };

QString KindText(FolderDiff::Kind kind) {
    switch (kind) {
    case FolderDiff::Kind::Added:
        return QStringLiteral("Added");
    case FolderDiff::Kind::Deleted:
        return QStringLiteral("Deleted");
    case FolderDiff::Kind::Modified:
        break;
    }
    return QStringLiteral("Changed");
}

QString SizeText(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    return QLocale::system().toString(info.size()) + QStringLiteral(" bytes");
}

// The file's bytes when it is small enough to show as text.
std::optional<QByteArray> SmallFile(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).isSymLink() || !file.open(QIODevice::ReadOnly) ||
        file.size() > LargestShownText)
        return std::nullopt;
    return file.readAll();
}

} // namespace

CompareDialog::CompareDialog(QWidget* parent)
    : QDialog(parent), heading_(new QLabel), list_(new QTreeWidget), diff_(new QPlainTextEdit),
      openButton_(new QPushButton(QStringLiteral("&Open in Comparison Program"))),
      program_(ComparisonProgram::Find()) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("Compare versions"));
    // Long version names wrap rather than widen the dialog.
    heading_->setWordWrap(true);
    list_->setObjectName(QStringLiteral("CompareList"));
    list_->setColumnCount(ColumnCount);
    list_->setHeaderLabels({QStringLiteral("Change"), QStringLiteral("File"),
                            QStringLiteral("Size before"), QStringLiteral("Size after")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    list_->installEventFilter(this);
    connect(list_, &QTreeWidget::currentItemChanged, this, &CompareDialog::ShowCurrent);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { Activate(row); });

    diff_->setObjectName(QStringLiteral("CompareDiff"));
    diff_->setReadOnly(true);
    diff_->setLineWrapMode(QPlainTextEdit::NoWrap);
    diff_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(list_);
    split->addWidget(diff_);
    split->setChildrenCollapsible(false);
    split->setSizes({200, 300});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(openButton_, QDialogButtonBox::ActionRole);
    connect(openButton_, &QPushButton::clicked, this,
            [this] { OpenExternally(list_->currentItem()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    resize(720, 520);
    UpdateOpenButton(nullptr);
}

bool CompareDialog::Compare(const TVersion& older, const TVersion& newer) {
    list_->clear();
    diff_->clear();
    olderName_ = older.Name();
    newerName_ = newer.Name();
    const TVersionItem* project = newer.ParentItem();
    const TVersionItem* client = project ? project->ParentItem() : nullptr;
    heading_->setText(QStringLiteral("%1 / %2: %3 compared with %4")
                          .arg(client ? client->Name() : QString(),
                               project ? project->Name() : QString(), newer.LongName(),
                               older.LongName()));
    FolderDiff diff;
    QuietProgress progress(parentWidget(), QStringLiteral("CompareProgress"),
                           QStringLiteral("Compare versions"), QString(), quietMilliseconds_);
    diff.SetProgress([&](const QByteArray& path, int done, int total) {
        return progress.Step(done, total, [&path] {
            return QStringLiteral("Comparing %1").arg(QFile::decodeName(path));
        });
    });
    // Taken before events run: the items may be gone afterwards.
    older_ = older.Path();
    newer_ = newer.Path();
    bool compared = false;
    try {
        compared = diff.CompareVersions(older, newer);
    } catch (const QuorvelError& error) {
        progress.Close();
        User().ShowError(error.Message());
        return false;
    }
    progress.Close();
    if (!compared) {
        if (!diff.Cancelled())
            User().ShowError(diff.Error());
        return false;
    }
    QList<QTreeWidgetItem*> rows;
    for (const FolderDiff::Difference& difference : diff.Differences()) {
        const QString path = QFile::decodeName(difference.path);
        auto* row = new QTreeWidgetItem(QStringList{
            KindText(difference.kind), path, SizeText(older_ + path), SizeText(newer_ + path)});
        row->setData(ChangeColumn, Qt::UserRole, char(difference.kind));
        row->setTextAlignment(BeforeColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(AfterColumn, Qt::AlignRight | Qt::AlignVCenter);
        rows << row;
    }
    list_->addTopLevelItems(rows);
    if (rows.isEmpty())
        diff_->setPlainText(QStringLiteral("The two versions hold the same files."));
    else
        list_->setCurrentItem(rows.first());
    return true;
}

QString CompareDialog::Heading() const {
    return heading_->text();
}

QStringList CompareDialog::Rows() const {
    return TreeWidgetRows(*list_);
}

bool CompareDialog::IsChangedText(const QTreeWidgetItem* row) const {
    if (!row || row->data(ChangeColumn, Qt::UserRole).toInt() != int(FolderDiff::Kind::Modified))
        return false;
    const std::optional<QByteArray> before = SmallFile(older_ + row->text(FileColumn));
    const std::optional<QByteArray> after = SmallFile(newer_ + row->text(FileColumn));
    return before && after && UnifiedDiff::IsText(*before) && UnifiedDiff::IsText(*after);
}

QString CompareDialog::Describe(const QTreeWidgetItem* row) const {
    return DescribeRow(row).text;
}

CompareDialog::Description CompareDialog::DescribeRow(const QTreeWidgetItem* row) const {
    if (!row)
        return {};
    const QString path = row->text(FileColumn);
    if (IsChangedText(row)) {
        const QByteArray before = *SmallFile(older_ + path);
        const QByteArray after = *SmallFile(newer_ + path);
        const std::optional<QString> text =
            UnifiedDiff::Of(QString::fromUtf8(before), QString::fromUtf8(after),
                            olderName_ + u'/' + path, newerName_ + u'/' + path);
        // The lines compare without their ends, so a change of line ends
        // alone leaves no line to show.
        if (text && text->isEmpty())
            return {QStringLiteral("%1 differs only in its line ends.").arg(path)};
        if (text)
            return {*text, true};
        return {QStringLiteral("%1 differs in too many lines to show them here.").arg(path)};
    }
    QStringList lines{QStringLiteral("%1: %2").arg(row->text(ChangeColumn), path)};
    if (!row->text(BeforeColumn).isEmpty())
        lines << QStringLiteral("%1: %2").arg(olderName_, row->text(BeforeColumn));
    if (!row->text(AfterColumn).isEmpty())
        lines << QStringLiteral("%1: %2").arg(newerName_, row->text(AfterColumn));
    return {lines.join(u'\n')};
}

void CompareDialog::ShowCurrent() {
    QTreeWidgetItem* row = list_->currentItem();
    const Description shown = DescribeRow(row);
    diff_->setPlainText(shown.text);
    if (shown.diff)
        DiffColours(diff_->palette()).Apply(diff_->document());
    UpdateOpenButton(row);
}

bool CompareDialog::OpenExternally(const QTreeWidgetItem* row) {
    if (program_.isEmpty() || !IsChangedText(row))
        return false;
    const QString path = row->text(FileColumn);
    return ComparisonProgram::Start(program_, older_ + path, newer_ + path);
}

void CompareDialog::Activate(QTreeWidgetItem* row) {
    if (!OpenExternally(row))
        diff_->setFocus();
}

void CompareDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The diff's shades suit the palette it was shown with.
    if (event->type() == QEvent::PaletteChange && list_->currentItem())
        ShowCurrent();
}

bool CompareDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Activate(list_->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CompareDialog::UpdateOpenButton(const QTreeWidgetItem* row) {
    const bool changedText = IsChangedText(row);
    openButton_->setEnabled(!program_.isEmpty() && changedText);
    // A button that stays grey says why.
    if (program_.isEmpty())
        openButton_->setToolTip(ComparisonProgram::MissingText());
    else if (!changedText)
        openButton_->setToolTip(QStringLiteral("Only a changed text file opens in %1.")
                                    .arg(QFileInfo(program_).fileName()));
    else
        openButton_->setToolTip(QStringLiteral("Shows the two versions of %1 side by side in %2.")
                                    .arg(row->text(FileColumn), QFileInfo(program_).fileName()));
}

void CompareDialog::SetComparisonProgram(const QString& program) {
    program_ = program;
    UpdateOpenButton(list_->currentItem());
}
