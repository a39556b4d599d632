// The object list headed by rootbody: creation, removal, labels and lookups.
#include <string>

#include "fluid/fluido.h"
#include "fluid/links.h"
#include "objects/body.h"
#include "objects/body_list_private.h"
#include "objects/object_panel.h"
#include "objects/scene_data.h"
#include "platform/format.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/nodo.h"

namespace {

BodyHooks g_hooks;

// An emitter whose object goes away keeps its place in the world, as daemons do.
void ReleaseEmitters(Body* b) {
    for (Fluido* f = rootflow; f; f = f->next) {
        Creador* e = f->emitter;
        if (!e || e->link != b) continue;
        e->pos = e->matrix.GetTranslation();
        e->rot = e->matrix.GetEuler(axis_mode);
        e->link = nullptr;
        e->SetParameterBlock();
    }
}

void Unlist(Body* b) {
    for (Body* prev = &rootbody; prev->next; prev = prev->next) {
        if (prev->next == b) {
            prev->next = b->next;
            b->next = nullptr;
            return;
        }
    }
}

}  // namespace

namespace body_list {

void LetGo(Body* b) {
    if (g_hooks.removing) g_hooks.removing(b);
    UnlinkNodesFrom(b);
    ReleaseEmitters(b);
    WithdrawObjectFromFluids(b);
    ForgetPanelBody(b);
    if (edit_obj == b) edit_obj = nullptr;
    Unlist(b);
}

}  // namespace body_list

void SetBodyHooks(const BodyHooks& hooks) {
    g_hooks = hooks;
}
const BodyHooks& GetBodyHooks() {
    return g_hooks;
}

Body* CreaBody() {
    Body* b = new Body;
    Body* last = &rootbody;
    while (last->next) last = last->next;
    last->next = b;
    return b;
}

void RemoveBody(Body* b) {
    if (!b || BodyIndex(b) < 0) return;
    RemoveBodyFromList(b);
    MakeLabelsUnique(b, 1);
    HideObjectPanel();
    delete b;  // the destructor lets go of every link to it
    platform::RequestRepaint();
}

void RemoveAllBodies() {
    while (Body* b = rootbody.next) delete b;
    ClearBodyList();
    HideObjectPanel();
    selnodo = nullptr;
    edit_obj = nullptr;
    CloseSceneData();
}

Body* FindBody(const char* text) {
    if (!text) return nullptr;
    for (Body* b = rootbody.next; b; b = b->next) {
        if (platform::EqualsIgnoringCase(b->label, text)) return b;
    }
    for (Body* b = rootbody.next; b; b = b->next) {
        if (platform::EqualsIgnoringCase(b->name, text)) return b;
    }
    return nullptr;
}

void MakeLabelsUnique(Body* b, int removal) {
    if (!b) return;
    auto relabel = [](Body* x, const std::string& text) {
        if (text == x->label) return;
        platform::CopyText(x->label, sizeof x->label, text.c_str());
        RelabelBodyInList(x);
    };
    int count = 0;
    Body* last_same = nullptr;
    for (Body* x = rootbody.next; x; x = x->next) {
        if (removal && x == b) continue;
        if (!platform::EqualsIgnoringCase(x->name, b->name)) continue;
        ++count;
        last_same = x;
        relabel(x, count == 1 && x == b ? std::string(x->name)
                                        : platform::Format("%s (%d)", x->name, count));
    }
    if (removal && count == 1) relabel(last_same, last_same->name);
}

int BodyIndex(const Body* b) {
    int i = 0;
    for (Body* x = rootbody.next; x; x = x->next, ++i) {
        if (x == b) return i;
    }
    return -1;
}

Body* BodyAt(int index) {
    int i = 0;
    for (Body* x = rootbody.next; x; x = x->next, ++i) {
        if (i == index) return x;
    }
    return nullptr;
}

int CountBodies() {
    int n = 0;
    for (Body* x = rootbody.next; x; x = x->next) ++n;
    return n;
}

void RefreshNodeLinks() {
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        if (!d->link) continue;
        d->UpdateLink();
        d->CalculaDependientes();
    }
    for (Fluido* f = rootflow; f; f = f->next) {
        Creador* e = f->emitter;
        if (!e || !e->link) continue;
        e->UpdateLink();
        e->CalculaDependientes();
    }
}
