#include "ui/TCheckInDialog.h"

#include "ui/UiFonts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

TCheckInDialog::TCheckInDialog(QWidget* parent)
    : QDialog(parent), ownerLabel_(new QLabel(this)),
      mmVersionDescription(new QPlainTextEdit(this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)),
      okButton_(new QPushButton(QStringLiteral("Ok"), this)) {
    setObjectName(QStringLiteral("CheckInDialog"));
    setWindowTitle(QStringLiteral("Check in dialog."));
    setFont(UiFonts::Tahoma(8));
    setFixedSize(474, 188);

    auto* ownerCaption = new QLabel(QStringLiteral("Owner of version:"), this);
    ownerCaption->setGeometry(8, 8, 110, 17);
    ownerLabel_->setObjectName(QStringLiteral("lblOwner"));
    ownerLabel_->setGeometry(120, 8, 346, 17);
    auto* descriptionCaption = new QLabel(QStringLiteral("Add checkin description:"), this);
    descriptionCaption->setGeometry(8, 32, 200, 17);
    mmVersionDescription->setObjectName(QStringLiteral("mmVersionDescription"));
    mmVersionDescription->setGeometry(8, 52, 458, 96);
    mmVersionDescription->setTabChangesFocus(true);
    cancelButton_->setGeometry(310, 156, 75, 25);
    okButton_->setGeometry(391, 156, 75, 25);
    // Return presses the button that has the focus, else Ok; in the
    // description box it breaks the line.
    okButton_->setAutoDefault(true);
    cancelButton_->setAutoDefault(true);
    okButton_->setDefault(true);

    setTabOrder(mmVersionDescription, cancelButton_);
    setTabOrder(cancelButton_, okButton_);
    mmVersionDescription->setFocus(Qt::OtherFocusReason);

    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void TCheckInDialog::SetOwner(const QString& Value) {
    FOwner = Value;
    ownerLabel_->setText(Value);
}

QString TCheckInDialog::Description() const {
    QString text = mmVersionDescription->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

void TCheckInDialog::SetDescription(const QString& Value) {
    QString text = Value;
    text.replace(QRegularExpression(QStringLiteral("\r\n?")), QStringLiteral("\n"));
    mmVersionDescription->setPlainText(text);
    mmVersionDescription->moveCursor(QTextCursor::End);
}
