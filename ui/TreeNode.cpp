#include "ui/TreeNode.h"

TreeNode::TreeNode(TVersionItem* item, const QString& text) : item_(item) {
    SetText(text);
}

void TreeNode::SetText(const QString& text) {
    setText(0, text);
    setToolTip(0, text);
}

void TreeNode::SetShownByFilter(bool shown) {
    if (shown == shownByFilter_)
        return;
    shownByFilter_ = shown;
    setHidden(!shown);
}
