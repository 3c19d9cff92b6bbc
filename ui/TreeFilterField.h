#pragma once

#include <QLineEdit>

class CatalogueTree;
class QAction;

// The field above the catalogue tree that narrows it to the clients and
// projects whose names contain the text, as it is typed. Escape empties
// it (and, when empty, goes back to the tree); Down or Enter goes to the
// tree. Its command, on Ctrl+F in the window, puts the focus here.
class TreeFilterField : public QLineEdit {
    Q_OBJECT

public:
    // Adds its command to window.
    TreeFilterField(CatalogueTree* tree, QWidget* window);

    QAction* FindCommand() const { return find_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Into the tree, onto a node that is shown.
    void EnterTree();

    CatalogueTree* tree_;
    QAction* find_;
};
