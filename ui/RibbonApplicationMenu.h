#pragma once

#include <QFrame>
#include <QStringList>

class QAction;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The ribbon's application menu: the program's commands on the left, the
// recently opened workspaces on the right.
class RibbonApplicationMenu : public QFrame {
    Q_OBJECT

public:
    explicit RibbonApplicationMenu(QWidget* parent = nullptr);

    // An entry that runs action, captioned with its icon text; a large one
    // has a bigger picture.
    QToolButton* AddEntry(QAction* action, bool large = false);
    void AddSeparator();
    // The entries' captions in order; a separator reads "-".
    QStringList EntryTexts() const { return entryTexts_; }

    // Puts fileName at the top of the recent list, removing an entry of the
    // same text further down.
    void AddRecentItem(const QString& fileName);
    QStringList RecentItems() const { return recent_; }
    // The open workspace, shown in bold where the list holds it.
    void SetCurrentItem(const QString& fileName);
    // The entry shown as open, or empty.
    QString CurrentItem() const;
    // Clicks the recent entry at index, as the user would.
    void ClickRecentItem(int index);
    void SetRecentEnabled(bool enabled);

    // Opens the menu below the widget anchor.
    void Popup(QWidget* anchor);

signals:
    void recentItemClicked(const QString& fileName, int index);

private:
    void RebuildRecentButtons();
    void MarkCurrent();

    QVBoxLayout* entries_;
    QVBoxLayout* recentLayout_;
    QStringList entryTexts_;
    QStringList recent_;
    QString current_;
    QList<QPushButton*> recentButtons_;
    bool recentEnabled_ = true;
};
