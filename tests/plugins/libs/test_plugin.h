#pragma once

// Shared by the small plug-in libraries the tests build: a descriptor that fills its fields
// from its constructor, plain emitter and daemon classes, and a parameter window template.

#include "undaline.h"

namespace test_plugin {

// Filled in from the constructor; the concrete classes below are final.
class NamedClass : public Descriptor {
public:
    NamedClass(int k, int id, const char* class_name, int dialog, int place = 0) {
        kind = k;
        class_id = id;
        layout = place;
        platform::CopyText(name, sizeof name, class_name);
        platform::CopyText(label, sizeof label, class_name);
        platform::CopyText(description, sizeof description, "A class the tests load.");
        platform::CopyText(details, sizeof details, "test build");
        platform::CopyText(stamp, sizeof stamp, "T");
        version = 1.5f;
        dialog_id = dialog;
    }

protected:
    ~NamedClass() = default;
};

class PlainDaemon : public Daemon {};
class PlainEmitter : public Creador {};

class DaemonClass final : public NamedClass {
public:
    using NamedClass::NamedClass;
    Nodo* Create() override { return new PlainDaemon; }
};

class EmitterClass final : public NamedClass {
public:
    using NamedClass::NamedClass;
    Nodo* Create() override { return new PlainEmitter; }
};

// Internal to each library: a shared (inline) definition could pin the library in memory.
const platform::ControlTemplate kFields[] = {
    {kIdPosX, platform::ControlKind::Edit, "", 4, 4, 30, 12, 0},
    {kIdPosY, platform::ControlKind::Edit, "", 36, 4, 30, 12, 0},
    {kIdPosZ, platform::ControlKind::Edit, "", 68, 4, 30, 12, 0},
    {kIdRotX, platform::ControlKind::Edit, "", 4, 20, 30, 12, 0},
    {kIdRotY, platform::ControlKind::Edit, "", 36, 20, 30, 12, 0},
    {kIdRotZ, platform::ControlKind::Edit, "", 68, 20, 30, 12, 0},
};

}  // namespace test_plugin
