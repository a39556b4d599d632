#pragma once

#include <string>

class Nodo;

// What the object and mesh docks list. Each subsystem hands the window a source when it is
// part of the program; until then the dock lists nothing.
namespace ui {

struct ElementSource {
    int (*count)();                  // elements in scene order
    std::string (*name)(int index);  // the text of an element's item
    // The user chose the element (it becomes the selected node and shows its panel).
    void (*select)(int index);
    // The element that is selected now, or -1.
    int (*selected)();
};

enum ElementKind { kElementObjects = 0, kElementMeshes = 1 };

// Installs (or, with null, removes) the source of one kind; the docks show it at their next
// refresh. The source must outlive its installation.
void SetElementSource(ElementKind kind, const ElementSource* source);
const ElementSource* GetElementSource(ElementKind kind);

}  // namespace ui
