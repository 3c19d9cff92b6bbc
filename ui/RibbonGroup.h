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

    // The entries that get a key tip, in order: the buttons and the
    // captioned combo boxes (not the dialog launcher, which repeats a
    // command).
    QList<QWidget*> KeyTipEntries() const;
    // The entry's caption, its access key marked with "&".
    QString KeyTipCaption(QWidget* entry) const;
    // Underlines letter in the entry's caption (its key tip).
    void ShowAccessKey(QWidget* entry, const QString& letter);
    // What the key tip works on: the button, or a combo box's box.
    static QWidget* KeyTipTarget(QWidget* entry);

private:
    struct KeyTipEntry {
        QWidget* widget;
        QString caption;
    };

    void PlaceSmall(QWidget* widget);
    // The caption above a combo box, the label that names it.
    static QLabel* CaptionOf(QWidget* widget);

    QHBoxLayout* entries_;
    QVBoxLayout* column_ = nullptr;
    int inColumn_ = 0;
    QLabel* caption_;
    QHBoxLayout* captionRow_;
    QStringList entryTexts_;
    QList<KeyTipEntry> keyTipEntries_;
};
