#pragma once

#include "catalogue/VersionListView.h"

#include <QWidget>
#include <array>
#include <vector>

class GroupListView;
class QItemSelectionModel;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QTreeView;
class TVersion;
class VersionListModel;

// The grouped version list of the main window (lvVersionView) in its four
// styles: 0 large icons, 1 small icons, 2 list, 3 report. One model and
// one selection serve every style, so the selection survives a change of
// style. An empty group is not shown.
class VersionListWidget : public QWidget, public VersionListView {
    Q_OBJECT

public:
    enum Style { LargeIcons = 0, SmallIcons = 1, List = 2, Report = 3 };

    explicit VersionListWidget(QWidget* parent = nullptr);
    ~VersionListWidget() override;

    // Pictures by picture index: the 32 and 64 pixel version pictures.
    void SetPictures(const std::vector<QIcon>& pictures);

    // Any value is kept as given; one outside 0 to 3 shows large icons.
    void SetViewStyle(int style);
    int ViewStyle() const { return style_; }

    void SetRow(VersionListRow* row, const QString& caption, int groupId, int imageIndex) override;
    void SetGroupHeader(int groupIndex, const QString& header) override;
    void Sort() override;
    void SelectRow(VersionListRow* row) override;
    bool IsRowSelected(const VersionListRow* row) const override;
    void BeginUpdate() override;
    void EndUpdate() override;

    // The version of the selected entry, or null.
    TVersion* SelectedVersion() const;
    // Captions of a group (0 "Checked out", 1 "Version(s)") from the top.
    QStringList Captions(int groupIndex) const;
    QString GroupHeader(int groupIndex) const;
    bool IsGroupShown(int groupIndex) const;

    VersionListModel* Model() const { return model_; }
    QItemSelectionModel* Selection() const { return selection_; }
    // Shows text (rich text) in the list's place, as long as it is not
    // empty: what to do where there is nothing to list.
    void SetHint(const QString& text);
    QString Hint() const;
    bool IsHintShown() const;

    // The widget that shows the list in the present style (hidden while
    // the hint is shown).
    QWidget* CurrentView() const;
    QTreeView* ReportView() const { return report_; }
    GroupListView* GroupView(int groupIndex) const { return lists_[size_t(groupIndex)]; }

signals:
    // The selected entry changed; version is null when none is selected.
    void selectionChanged(TVersion* version);
    // A context menu is wanted at this global position.
    void contextMenuWanted(const QPoint& globalPos);

protected:
    VersionListRow* CreateRow(TVersion* version) override;
    void DestroyRow(VersionListRow* row) override;
    void DestroyAllRows() override;

private:
    void UpdateGroups();
    void ShowPage();
    void EnterGroup(int fromGroup, int direction);
    void ApplyStyleToLists();

    VersionListModel* model_;
    QItemSelectionModel* selection_;
    QStackedWidget* stack_;
    QTreeView* report_;
    QScrollArea* iconPage_;
    QLabel* hint_;
    std::array<QLabel*, 2> headers_{};
    std::array<GroupListView*, 2> lists_{};
    int style_ = LargeIcons;
    int updateDepth_ = 0;
};
