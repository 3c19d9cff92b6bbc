#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TVersion;

// The files that differ between two versions of a project: added,
// deleted and changed, as the command-line diff finds them. The selected
// changed text file shows as a unified diff; Enter or a double click opens
// it in a comparison program when there is one. Reads only.
class CompareDialog : public QDialog {
    Q_OBJECT

public:
    explicit CompareDialog(QWidget* parent = nullptr);

    // Compares older's folder with newer's. Past a moment a progress
    // dialog with Cancel shows. False when cancelled or when a folder
    // could not be read (the user is told).
    bool Compare(const TVersion& older, const TVersion& newer);

    // The comparison program Enter starts; empty text for none (then the
    // diff panel is all there is). Found on the PATH at first.
    void SetComparisonProgram(const QString& program);
    QString ComparisonProgram() const { return program_; }
    // How long a comparison runs before its progress shows.
    void SetQuietMilliseconds(int milliseconds) { quietMilliseconds_ = milliseconds; }

    QTreeWidget* List() const { return list_; }
    QPlainTextEdit* DiffPanel() const { return diff_; }
    QString Heading() const;
    // Each row's texts, joined by " | ".
    QStringList Rows() const;
    // What a row shows in the panel: the unified diff of a changed text
    // file, in colours (see DiffColours), the sizes of anything else.
    QString Describe(const QTreeWidgetItem* row) const;
    // Opens the row's two files in the comparison program; false when it
    // is not a changed text file, there is no program or it did not start.
    bool OpenExternally(const QTreeWidgetItem* row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Description {
        QString text;
        // The text is a unified diff.
        bool diff = false;
    };
    Description DescribeRow(const QTreeWidgetItem* row) const;
    void Activate(QTreeWidgetItem* row);
    void ShowCurrent();
    // Enables the button for a changed text file and a program to show
    // it in, and says in its tool tip why it is disabled.
    void UpdateOpenButton(const QTreeWidgetItem* row);
    bool IsChangedText(const QTreeWidgetItem* row) const;

    QLabel* heading_;
    QTreeWidget* list_;
    QPlainTextEdit* diff_;
    QPushButton* openButton_;
    QString older_;
    QString newer_;
    QString olderName_;
    QString newerName_;
    QString program_;
    int quietMilliseconds_ = 300;
};
