#pragma once

#include "platform/format.h"
#include "scene/descriptor.h"

// A plug-in class that makes nodes of type T: what a test registers in place of a library's.
template <class T>
class ClassOf final : public Descriptor {
public:
    ClassOf(int class_kind, int id, const char* class_name) {
        kind = class_kind;
        class_id = id;
        platform::CopyText(name, sizeof name, class_name);
    }
    Nodo* Create() override { return new T; }
};
