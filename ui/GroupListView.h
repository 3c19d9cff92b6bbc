#pragma once

#include <QListView>

// The entries of one group of the version list in the icon and list
// styles. It is as high as its entries need (the page around it scrolls),
// and an arrow key that finds no further entry in the group hands the
// cursor on to the neighbouring group.
class GroupListView : public QListView {
    Q_OBJECT

public:
    explicit GroupListView(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The height the entries need at the present width.
    int ContentsHeight() const;

signals:
    // An arrow key ran past the first (-1) or the last (+1) entry.
    void leaveGroup(int direction);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FollowContents();
};
