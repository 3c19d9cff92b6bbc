#pragma once

#include <QFrame>

class QAction;
class QHBoxLayout;
class QLabel;
class QToolButton;
class QVBoxLayout;

// One group of a ribbon page: its entries side by side, large ones filling
// the height, small ones up to three to a column, and the group's caption
// under them with an optional dialog-launcher button at its right.
class RibbonGroup : public QFrame {
    Q_OBJECT

public:
    explicit RibbonGroup(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const;
    // A button with its picture above its caption (the action's icon text).
    QToolButton* AddLargeButton(QAction* action);
    // A button with its caption beside a small picture, if any.
    QToolButton* AddSmallButton(QAction* action);
    // A widget in the small-entry columns, such as a combo box.
    void AddSmallWidget(QWidget* widget);
    // A vertical line between the entries before and after it.
    void AddSeparator();
    // The small button in the caption's corner; runs action.
    QToolButton* SetDialogLauncher(QAction* action);

    // The entries' captions in order; a separator reads "-".
    QStringList EntryTexts() const;

private:
    void PlaceSmall(QWidget* widget);

    QHBoxLayout* entries_;
    QVBoxLayout* column_ = nullptr;
    int inColumn_ = 0;
    QLabel* caption_;
    QHBoxLayout* captionRow_;
    QStringList entryTexts_;
};
