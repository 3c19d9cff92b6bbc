#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The modal check-in dialog: who checks in, and why.
class TCheckInDialog : public QDialog {
    Q_OBJECT

public:
    explicit TCheckInDialog(QWidget* parent = nullptr);

    const QString& Owner() const { return FOwner; }
    void SetOwner(const QString& Value);
    // The text of the description box, line breaks as CR LF.
    QString Description() const;
    // Fills the description box; CR LF, CR and LF all break lines.
    void SetDescription(const QString& Value);

    QPlainTextEdit* DescriptionBox() const { return mmVersionDescription; }
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

private:
    QString FOwner;
    QLabel* ownerLabel_;
    QPlainTextEdit* mmVersionDescription;
    QPushButton* cancelButton_;
    QPushButton* okButton_;
};
