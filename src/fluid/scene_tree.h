#pragma once

#include <string>
#include <vector>

#include "export.h"

class Body;
class Daemon;
class Fluido;

// The "Scene tree" window's model: one item per fluid (shown by its emitter's name), under it
// the categories "Daemons", "Objects" and "Fluids", under each the items of that link list.
// The window shows the rows and runs the commands of its menus here; after every command it
// rebuilds the rows from the lists.
namespace scene_tree {

enum Level { kFluidItem = 0, kCategoryItem = 1, kLinkedItem = 2 };

struct Item {
    int level;
    Fluido* fluid;  // the fluid the item belongs to
    int category;   // LinkKind of a category or linked item; 0 for a fluid item
    void* node;     // a linked item's daemon, object or fluid
    std::string label;
};

// Every fluid with its three categories and their items, in scene and list order.
UNDALINE_API std::vector<Item> Build();
UNDALINE_API const char* CategoryName(int category);

// The commands of a category's menu (and "Remove item" of a linked item's menu).
enum Command { kInsertSelected, kInsertAll, kCleanList, kRemoveItem };
UNDALINE_API const char* CommandText(int category, int command);

// What is selected in the window's three lists.
struct Selection {
    std::vector<Daemon*> daemons;
    std::vector<Body*> objects;
    std::vector<Fluido*> fluids;
};

// Runs a menu command on the fluid of item; "Remove item" unlinks a linked item. False when
// the command does not apply to the item.
UNDALINE_API bool Run(int command, const Item& item, const Selection& selected);

// The buttons under the lists: the selected items of one list (LinkKind) to every fluid.
UNDALINE_API void AddToAllFluids(int category, const Selection& selected);

}  // namespace scene_tree
