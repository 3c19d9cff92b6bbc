#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QTabWidget;
class QToolButton;
class RibbonApplicationMenu;
class RibbonGroup;

// The ribbon at the top of the main window: tabs whose pages are rows of
// groups (the first tab made with the ribbon), the application menu button
// at the left of the tab row and the help button at its right.
// Key tips: Alt pressed and let go alone shows a badge with one letter on
// the application button, on each tab and on each entry of the shown tab,
// each letter once; that letter then runs the entry (or shows the tab),
// as Alt with the letter does at any time. The badges go when a command
// runs, on Escape, on any other key and on a click.
class RibbonBar : public QWidget {
    Q_OBJECT

public:
    explicit RibbonBar(const QString& tabCaption, QWidget* parent = nullptr);
    ~RibbonBar() override;

    // The first tab's groups.
    RibbonGroup* AddGroup(const QString& caption);
    QList<RibbonGroup*> Groups() const { return groups_; }
    QString TabCaption() const;

    // Adds a tab after the others; its index.
    int AddTab(const QString& caption);
    RibbonGroup* AddGroup(int tab, const QString& caption);
    QList<RibbonGroup*> Groups(int tab) const;
    QTabWidget* Tabs() const { return tabs_; }

    RibbonApplicationMenu* ApplicationMenu() const { return applicationMenu_; }
    QToolButton* ApplicationButton() const { return applicationButton_; }
    QToolButton* HelpButton() const { return helpButton_; }

    // The letter of widget's badge instead of one chosen for it (the
    // application button's "F").
    void SetKeyTip(QWidget* widget, const QString& keyTip);
    // The letter of widget's badge (an entry of a group); empty for none.
    QString KeyTip(QWidget* widget) const;
    QString TabKeyTip(int tab) const;
    // Gives every entry and tab its letter and underlines it in the
    // entry's caption; runs when the ribbon is first shown, and again for
    // entries added later.
    void AssignKeyTips();
    void ShowKeyTips(bool show);
    bool KeyTipsShown() const { return !badges_.isEmpty(); }
    // The badges shown, each within what it stands on.
    QList<QLabel*> KeyTipBadges() const;
    // Runs what the key tip letter stands for on the shown tab; false when
    // it stands for nothing there.
    bool RunKeyTip(const QString& letter);

signals:
    void helpClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The letter a key event stands for, if any.
    static QString LetterOf(const QKeyEvent* key);
    bool HandleKey(QKeyEvent* key);
    bool HasKeyTip(const QString& letter) const;

    QTabWidget* tabs_;
    QHBoxLayout* page_;
    RibbonApplicationMenu* applicationMenu_;
    QToolButton* applicationButton_;
    QToolButton* helpButton_;
    QList<RibbonGroup*> groups_;
    // The page rows and groups of the tabs after the first.
    QList<QHBoxLayout*> laterPages_;
    QList<QList<RibbonGroup*>> laterGroups_;
    QList<QPair<QPointer<QWidget>, QString>> keyTips_;
    QList<QPair<QPointer<QWidget>, QString>> assignedTips_;
    QStringList tabTips_;
    QList<QPointer<QLabel>> badges_;
    bool altAlone_ = false;
};
