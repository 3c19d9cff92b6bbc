#include "ui/TreeFilterField.h"

#include "ui/CatalogueTree.h"
#include "ui/TreeNode.h"

#include <QAction>
#include <QKeyEvent>

TreeFilterField::TreeFilterField(CatalogueTree* tree, QWidget* window)
    : tree_(tree), find_(new QAction(QStringLiteral("Find a client or project"), window)) {
    setObjectName(QStringLiteral("TreeFilter"));
    setPlaceholderText(QStringLiteral("Find client or project (Ctrl+F)"));
    setClearButtonEnabled(true);
    setToolTip(QStringLiteral("Shows the clients and projects whose names contain the text. "
                              "Escape shows all again."));
    connect(this, &QLineEdit::textChanged, tree_, &CatalogueTree::SetFilterText);

    find_->setObjectName(QStringLiteral("FindClientOrProjectAction"));
    find_->setShortcut(QKeySequence::Find);
    find_->setShortcutContext(Qt::WindowShortcut);
    connect(find_, &QAction::triggered, this, [this] {
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
    window->addAction(find_);
}

void TreeFilterField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (text().isEmpty())
            tree_->setFocus(Qt::OtherFocusReason);
        else
            clear();
        return;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterTree();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void TreeFilterField::EnterTree() {
    tree_->setFocus(Qt::OtherFocusReason);
    TreeNode* current = tree_->SelectedNode();
    if (current && CatalogueTree::IsShownByFilter(current))
        return;
    // The first node left shown: choosing it is what the key asks for.
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        auto* client = static_cast<TreeNode*>(tree_->topLevelItem(i));
        if (client->ShownByFilter()) {
            tree_->SelectNode(client);
            return;
        }
    }
}
