#include "ui/GroupListView.h"

#include <QKeyEvent>
#include <QScrollBar>

GroupListView::GroupListView(QWidget* parent) : QListView(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFrameShape(QFrame::NoFrame);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMovement(QListView::Static);
}

int GroupListView::ContentsHeight() const {
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (rows == 0)
        return 0;
    return contentsSize().height() + 2 * frameWidth();
}

QSize GroupListView::sizeHint() const {
    return QSize(QListView::sizeHint().width(), ContentsHeight());
}

QSize GroupListView::minimumSizeHint() const {
    return QSize(0, ContentsHeight());
}

void GroupListView::FollowContents() {
    const int height = ContentsHeight();
    if (height != maximumHeight() || height != minimumHeight())
        setFixedHeight(height);
}

void GroupListView::updateGeometries() {
    QListView::updateGeometries();
    FollowContents();
}

void GroupListView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    // A new width wraps the entries anew.
    doItemsLayout();
    FollowContents();
}

void GroupListView::keyPressEvent(QKeyEvent* event) {
    int direction = 0;
    CursorAction action = MoveDown;
    switch (event->key()) {
    case Qt::Key_Down:
        direction = 1;
        action = MoveDown;
        break;
    case Qt::Key_Right:
        direction = 1;
        action = MoveRight;
        break;
    case Qt::Key_Up:
        direction = -1;
        action = MoveUp;
        break;
    case Qt::Key_Left:
        direction = -1;
        action = MoveLeft;
        break;
    default:
        break;
    }
    if (direction == 0 || !model() || event->modifiers() != Qt::NoModifier) {
        QListView::keyPressEvent(event);
        return;
    }
    const int rows = model()->rowCount(rootIndex());
    const QModelIndex current = currentIndex();
    if (rows == 0) {
        emit leaveGroup(direction);
        event->accept();
        return;
    }
    // The cursor stands in another group: enter this one at its near end.
    if (!current.isValid() || current.parent() != rootIndex()) {
        const QModelIndex target = model()->index(direction > 0 ? 0 : rows - 1, 0, rootIndex());
        setCurrentIndex(target);
        event->accept();
        return;
    }
    const QModelIndex next = moveCursor(action, event->modifiers());
    if (!next.isValid() || next == current || next.parent() != rootIndex()) {
        emit leaveGroup(direction);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
