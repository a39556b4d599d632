#include "scene/daemon.h"

#include <cstddef>
#include <cstring>

#include "platform/format.h"
#include "platform/ui_hooks.h"
#include "scene/descriptor.h"
#include "scene/node_panel.h"
#include "scene/scene_hooks.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
// name begins in the tail padding of Nodo (after flags), as the ABI places it.
static_assert(sizeof(void*) != 8 || offsetof(Daemon, name) == 228, "Daemon layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Daemon, descriptor) == 280, "Daemon layout changed");
static_assert(sizeof(void*) != 8 || sizeof(Daemon) == 288, "Daemon layout changed");
#pragma GCC diagnostic pop

Daemon* seldaemon = nullptr;

namespace {

// CreaDaemon puts only daemons in the root list, but a program may link plain nodes into it;
// those are skipped.
Daemon* DaemonFrom(Nodo* n) {
    for (; n; n = n->next) {
        if (auto* d = dynamic_cast<Daemon*>(n)) return d;
    }
    return nullptr;
}

bool NameTaken(const Descriptor* d, const char* name) {
    for (Daemon* x = FirstDaemon(); x; x = NextDaemon(x)) {
        if (x->descriptor == d && std::strncmp(x->name, name, sizeof x->name) == 0) return true;
    }
    return false;
}

}  // namespace

Daemon::Daemon() : name{}, descriptor(nullptr) { kind = kKindDaemon; }

Daemon::~Daemon() {
    WithdrawDaemon(this);
    if (seldaemon == this) seldaemon = nullptr;
}

void Daemon::Move(Vector delta) {
    Nodo::Move(delta);
    ShowNodePosition(ParamWindowOf(descriptor), this);
    if (link) UpdateLink();
    CalculaDependientes();
}

void Daemon::Rotate(float angle) {
    RotateOnWorkingPlane(this, angle);
    ShowNodeRotation(ParamWindowOf(descriptor), this);
    // Recompose first and follow last: a linked daemon's rotation is an offset in its
    // object's frame, and a free composition would throw it out of that frame.
    UpdateMatrix();
    if (link) UpdateLink();
}

void Daemon::SetParameterBlock() {
    platform::Dialog* w = ParamWindowOf(descriptor);
    ShowNodePosition(w, this);
    ShowNodeRotation(w, this);
    platform::ShowDisplayMode(display);
}

void Daemon::Affect(Fluido*) {}

Daemon* FirstDaemon() { return DaemonFrom(root.next); }
Daemon* NextDaemon(const Daemon* daemon) { return daemon ? DaemonFrom(daemon->next) : nullptr; }

int CountDaemons() {
    int n = 0;
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) ++n;
    return n;
}

Daemon* CreaDaemon(Descriptor* d) {
    if (!d) return nullptr;
    Nodo* made = d->Create();
    if (!made) return nullptr;
    auto* daemon = dynamic_cast<Daemon*>(made);
    if (!daemon) {
        delete made;
        return nullptr;
    }
    daemon->descriptor = d;
    char base[50];
    platform::CopyField(base, sizeof base, d->name, sizeof d->name);

    int n = 0;
    for (Daemon* x = FirstDaemon(); x; x = NextDaemon(x)) {
        if (x->descriptor == d) ++n;
    }
    platform::CopyText(daemon->name, sizeof daemon->name, base);
    // After a deletion the count can name a daemon that still exists; take the next free one.
    // Of n + 1 numbers one is free, unless truncation makes them all read the same.
    for (int k = n; k > 0 && k <= 2 * n; ++k) {
        platform::CopyText(daemon->name, sizeof daemon->name,
                           platform::Format("%s %d", base, k).c_str());
        if (!NameTaken(d, daemon->name)) break;
    }

    Nodo* last = &root;
    while (last->next) last = last->next;
    daemon->next = nullptr;
    last->next = daemon;
    return daemon;
}

void RefreshAllDaemons() {
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        d->SetParameterBlock();
        d->UpdateLink();
        if (d->link) d->CalculaDependientes();
    }
}
