#include "scene/descriptor.h"

#include <cstddef>
#include <cstring>

#include "platform/dynamic_library.h"
#include "scene/scene_hooks.h"

// The field layout is what compiled plug-ins see.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, kind) == 8, "Descriptor layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, class_id) == 12, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, layout) == 16, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, name) == 20, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, label) == 70, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, description) == 90, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, details) == 346, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, stamp) == 602, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, version) == 616, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, dialog_id) == 620, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, dialog_proc) == 624, "Descriptor layout");
static_assert(sizeof(void*) != 8 || offsetof(Descriptor, window) == 632, "Descriptor layout");
static_assert(sizeof(void*) != 8 || sizeof(Descriptor) == 640, "Descriptor layout changed");
#pragma GCC diagnostic pop

namespace {

void CopyFields(Descriptor& to, const Descriptor& from) {
    to.kind = from.kind;
    to.class_id = from.class_id;
    to.layout = from.layout;
    std::memcpy(to.name, from.name, sizeof to.name);
    std::memcpy(to.label, from.label, sizeof to.label);
    std::memcpy(to.description, from.description, sizeof to.description);
    std::memcpy(to.details, from.details, sizeof to.details);
    std::memcpy(to.stamp, from.stamp, sizeof to.stamp);
    to.version = from.version;
    to.dialog_id = from.dialog_id;
    to.dialog_proc = from.dialog_proc;
}

}  // namespace

Descriptor::Descriptor()
    : kind(0),
      class_id(0),
      layout(0),
      name{},
      label{},
      description{},
      details{},
      stamp{},
      version(0.0f),
      dialog_id(0),
      dialog_proc(nullptr),
      window(nullptr) {}

Descriptor::Descriptor(const Descriptor& other) : window(nullptr) { CopyFields(*this, other); }

Descriptor& Descriptor::operator=(const Descriptor& other) {
    if (this != &other) CopyFields(*this, other);
    return *this;
}

Descriptor::~Descriptor() { DestroyParamWindow(this); }

void Descriptor::CreateParam(void* module, platform::Dialog* parent) {
    auto find_template =
        reinterpret_cast<ExDialogTemplateFn>(platform::LibrarySymbol(module, "ExDialogTemplate"));
    if (!find_template) return;
    // Activation creates the window once; a second call replaces it rather than leaking it.
    DestroyParamWindow(this);
    window = platform::CreateDialog(find_template(dialog_id), dialog_proc, parent);
    if (!window) return;
    window->ShowWindow(false);

    int anchor_bottom = 0;
    if (kind == kClassEmitter && layout == kLayoutBelowFluidWindow && FluidParamWindow()) {
        anchor_bottom = FluidParamWindow()->WindowRect().Bottom();
    } else if (parent) {
        int anchor = kind == kClassDaemon ? kIdDaemonWindowAnchor : kIdEmitterWindowAnchor;
        anchor_bottom = parent->ControlRect(anchor).Bottom();
    }
    window->MoveWindow(0, anchor_bottom + 2);
}

void DestroyParamWindow(Descriptor* d) {
    if (!d || !d->window) return;
    platform::Dialog* w = d->window;
    d->window = nullptr;
    platform::DestroyDialog(w);
}
