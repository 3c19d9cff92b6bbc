#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QTabWidget;
class QToolButton;
class RibbonApplicationMenu;
class RibbonGroup;

// The ribbon at the top of the main window: tabs whose pages are rows of
// groups (the first tab made with the ribbon), the application menu button at the left of the tab
// row and the help button at its right. Key tips (the access-key badges) show while the Alt key is
// held.
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

    // The badge text shown on widget while key tips show; by default a
    // button shows its access key.
    void SetKeyTip(QWidget* widget, const QString& keyTip);
    QString KeyTip(QWidget* widget) const;
    void ShowKeyTips(bool show);
    bool KeyTipsShown() const { return !badges_.isEmpty(); }

signals:
    void helpClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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
    QList<QPointer<QLabel>> badges_;
    bool altAlone_ = false;
};
