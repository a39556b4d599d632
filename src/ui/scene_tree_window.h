#pragma once

#include <QWidget>

#include <vector>

#include "fluid/scene_tree.h"

class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

// "Scene tree": every fluid with the daemons, objects and fluids linked to it, beside lists of
// the scene's daemons, objects and fluids to link from. A right click on a category opens its
// menu, on a linked item the item menu; Delete removes a linked item. After every command the
// tree is rebuilt from the fluids' lists.
class SceneTreeWindow : public QWidget {
    Q_OBJECT

public:
    explicit SceneTreeWindow(QWidget* owner);

    // Opens the window (one for the program) or brings it back.
    static SceneTreeWindow* Open(QWidget* owner);
    // The open window, or null.
    static SceneTreeWindow* Current();

    // The tree and the three lists again from the scene; the lists keep their selections.
    void Rebuild();

    QTreeWidget* tree() const { return tree_; }
    QListWidget* list(int category) const { return lists_[category - 1]; }
    // The row of the model an item of the tree shows.
    const scene_tree::Item* ItemOf(QTreeWidgetItem* item) const;
    // What a menu command or the Delete key does on an item of the tree.
    void RunCommand(int command, QTreeWidgetItem* item);
    // The buttons: "Add to all fluids" of a list, "ALL to ALL", "Clean ALL".
    void AddToAll(int category);
    void AllToAll();
    void CleanAll();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ShowMenu(const QPoint& at);
    void FillLists();
    scene_tree::Selection Selected() const;
    void Changed();

    QTreeWidget* tree_;
    QListWidget* lists_[3];
    std::vector<scene_tree::Item> rows_;
    std::vector<QWidget*> buttons_;
    bool images_ = true;
};

}  // namespace ui
