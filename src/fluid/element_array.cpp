#include "fluid/element_array.h"

#include <string>

#include "fluid/clone.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "math/matrix.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/fields.h"
#include "scene/nodo.h"

ArraySettings array_settings;

namespace {

int Whole(float v) { return v >= 1.0f ? static_cast<int>(v) : 0; }

int CopiesOf(const ArraySettings& s) {
    if (s.type == kArrayCircular) return s.items < 1 ? 1 : s.items;
    const long long n = 1LL * Whole(s.counts.x) * Whole(s.counts.y) * Whole(s.counts.z);
    return n > kMostArrayCopies ? kMostArrayCopies + 1 : static_cast<int>(n);
}

// ---- the window --------------------------------------------------------------------------

using platform::ControlKind;
using platform::ControlTemplate;

constexpr int kFieldX = 150, kFieldStep = 38, kFieldWidth = 34;

const std::vector<ControlTemplate>& Controls() {
    static const std::vector<ControlTemplate> controls = [] {
        std::vector<ControlTemplate> c = {
            {kIdArrayRectangular, ControlKind::RadioButton, "Rectangular", 8, 6, 70, 10, platform::kStyleGroup},
            {kIdArrayCircular, ControlKind::RadioButton, "Circular", 90, 6, 70, 10, 0},
            {0, ControlKind::Static, "X", kFieldX + 14, 22, 10, 9, 0},
            {0, ControlKind::Static, "Y", kFieldX + kFieldStep + 14, 22, 10, 9, 0},
            {0, ControlKind::Static, "Z", kFieldX + 2 * kFieldStep + 14, 22, 10, 9, 0},
        };
        const struct {
            const char* caption;
            int first;
            unsigned style;
        } rows[] = {
            {"Number of items in each direction", kIdArrayCountX, platform::kStyleNumber},
            {"Distance between items", kIdArrayDistanceX, 0},
            {"Position", kIdArrayPositionX, 0},
            {"Rotation", kIdArrayRotationX, 0},
            {"Pivot", kIdArrayPivotX, 0},
        };
        int y = 33;
        for (const auto& r : rows) {
            if (r.first == kIdArrayRotationX) {
                c.push_back({0, ControlKind::Static, "Number of items", 8, y + 2, kFieldX - 10, 9, 0});
                c.push_back({kIdArrayItems, ControlKind::Edit, "", kFieldX, y, kFieldWidth, 12, platform::kStyleNumber});
                y += 16;
            }
            c.push_back({0, ControlKind::Static, r.caption, 8, y + 2, kFieldX - 10, 9, 0});
            for (int k = 0; k < 3; ++k) {
                c.push_back({r.first + k, ControlKind::Edit, "", kFieldX + k * kFieldStep, y, kFieldWidth, 12, r.style});
            }
            y += 16;
        }
        c.push_back({kIdArrayAroundPivot, ControlKind::CheckBox, "Rotate around pivot", 8, y + 2, 120, 10, 0});
        y += 18;
        c.push_back({kIdArrayCreate, ControlKind::PushButton, "Create array", 8, y, 70, 14, 0});
        c.push_back({platform::kIdCancel, ControlKind::PushButton, "Close", kFieldX + 2 * kFieldStep - 12, y, 46, 14, 0});
        return c;
    }();
    return controls;
}

Vector* VectorOf(int id, ArraySettings& s) {
    if (id >= kIdArrayCountX && id < kIdArrayCountX + 3) return &s.counts;
    if (id >= kIdArrayDistanceX && id < kIdArrayDistanceX + 3) return &s.distances;
    if (id >= kIdArrayPositionX && id < kIdArrayPositionX + 3) return &s.position;
    if (id >= kIdArrayRotationX && id < kIdArrayRotationX + 3) return &s.rotation;
    if (id >= kIdArrayPivotX && id < kIdArrayPivotX + 3) return &s.pivot;
    return nullptr;
}

int FirstOf(int id) {
    for (int first : {kIdArrayCountX, kIdArrayDistanceX, kIdArrayPositionX, kIdArrayRotationX, kIdArrayPivotX}) {
        if (id >= first && id < first + 3) return first;
    }
    return 0;
}

void Show(platform::Dialog* d) {
    const ArraySettings& s = array_settings;
    d->SetCheck(kIdArrayRectangular, s.type != kArrayCircular);
    d->SetCheck(kIdArrayCircular, s.type == kArrayCircular);
    const int axes[3] = {AX, AY, AZ};
    for (int k = 0; k < 3; ++k) {
        d->SetText(kIdArrayCountX + k, std::to_string(Whole(s.counts[axes[k]])));
        PonFloat(d, kIdArrayDistanceX + k, s.distances[axes[k]]);
        PonFloat(d, kIdArrayPositionX + k, s.position[axes[k]]);
        PonFloat(d, kIdArrayRotationX + k, s.rotation[axes[k]]);
        PonFloat(d, kIdArrayPivotX + k, s.pivot[axes[k]]);
    }
    d->SetText(kIdArrayItems, std::to_string(s.items));
    d->SetCheck(kIdArrayAroundPivot, s.rotate_around_pivot != 0);
}

// One field into the settings; a count is a whole number of at least 0, the number of items
// at least 1.
void ReadField(platform::Dialog* d, int id) {
    ArraySettings& s = array_settings;
    if (id == kIdArrayItems) {
        float items = static_cast<float>(s.items);
        DameFloat(d, id, &items, 0.0f, kNoLimit);
        s.items = items < 1.0f ? 1 : (items > kMostArrayCopies ? kMostArrayCopies + 1 : static_cast<int>(items));
        d->SetText(id, std::to_string(s.items));
        return;
    }
    Vector* v = VectorOf(id, s);
    if (!v) return;
    const int first = FirstOf(id);
    const int axes[3] = {AX, AY, AZ};
    float& value = (*v)[axes[id - first]];
    if (first == kIdArrayCountX) {
        DameFloat(d, id, &value, 0.0f, kNoLimit);
        value = static_cast<float>(Whole(value));
        d->SetText(id, std::to_string(Whole(value)));
    } else {
        DameFloat(d, id, &value, 0.0f, 0.0f);
    }
}

}  // namespace

std::vector<ArrayPlacement> ArrayPlacements(const ArraySettings& s, const Vector& pos, const Vector& rot) {
    std::vector<ArrayPlacement> out;
    const int copies = CopiesOf(s);
    if (copies > kMostArrayCopies) return out;
    out.reserve(static_cast<size_t>(copies));
    if (s.type == kArrayCircular) {
        Matrix to, from;
        to.MatrixTranslation(s.pivot);
        from.MatrixTranslation(Vector(0, 0, 0) - s.pivot);
        for (int n = 1; n <= copies; ++n) {
            const Vector a = s.rotation * static_cast<float>(n);
            const Matrix m = to * NodeRotation(a) * from;
            out.push_back({m * pos, s.rotate_around_pivot ? rot + a : rot});
        }
        return out;
    }
    const int nx = Whole(s.counts.x), ny = Whole(s.counts.y), nz = Whole(s.counts.z);
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            for (int k = 0; k < nz; ++k) {
                const Vector step(i * s.distances.x, j * s.distances.y, k * s.distances.z);
                out.push_back({pos + step + s.position, rot});
            }
        }
    }
    return out;
}

int MakeArray(const ArraySettings& s) {
    Nodo* element = selnodo;
    if (!element) {
        platform::MessageBox("Select a fluid or daemon before");
        return 0;
    }
    if (element->kind != kKindDaemon && (element->kind != kKindEmitter || !static_cast<Creador*>(element)->fluid)) {
        platform::MessageBox("Cannot do array of selected element");
        return 0;
    }
    if (CopiesOf(s) > kMostArrayCopies) {
        platform::MessageBox(platform::Format("An array makes at most %d copies", kMostArrayCopies).c_str());
        return 0;
    }
    // The element stays where it is while its copies are made: its place is read once.
    const std::vector<ArrayPlacement> places = ArrayPlacements(s, element->pos, element->rot);
    Nodo* last = nullptr;
    int made = 0;
    for (const ArrayPlacement& p : places) {
        if (element->kind == kKindDaemon) {
            Daemon* copy = DuplicateDaemonAt(static_cast<Daemon*>(element), p.pos, p.rot);
            if (!copy) break;
            last = copy;
        } else {
            Fluido* copy = CloneFluid(static_cast<Creador*>(element)->fluid, &p.pos, &p.rot);
            if (!copy) break;
            last = copy->emitter;
        }
        ++made;
    }
    if (last) {
        selnodo = last;
        if (last->kind == kKindEmitter) selflow = static_cast<Creador*>(last)->fluid;
        if (last->kind == kKindDaemon) seldaemon = static_cast<Daemon*>(last);
    }
    platform::RequestRepaint();
    return made;
}

const platform::DialogTemplate* ArrayWindowTemplate() {
    static const platform::DialogTemplate tmpl = [] {
        int bottom = 0;
        for (const ControlTemplate& c : Controls()) bottom = c.y + c.height > bottom ? c.y + c.height : bottom;
        return platform::DialogTemplate{"Array of fluids", kFieldX + 3 * kFieldStep + 4, bottom + 8, Controls().data(),
                                        static_cast<int>(Controls().size())};
    }();
    return &tmpl;
}

intptr_t ArrayWindowProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg == platform::kMsgInitDialog) {
        if (selnodo) array_settings.pivot = selnodo->pos;
        Show(d);
        return 1;
    }
    if (msg == platform::kMsgClose) {
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus) {
        ReadField(d, id);
        return 1;
    }
    if (code != platform::kNotifyClicked) return 0;
    switch (id) {
        case kIdArrayRectangular:
        case kIdArrayCircular:
            array_settings.type = id == kIdArrayCircular ? kArrayCircular : kArrayRectangular;
            d->SetCheck(kIdArrayRectangular, id == kIdArrayRectangular);
            d->SetCheck(kIdArrayCircular, id == kIdArrayCircular);
            return 1;
        case kIdArrayAroundPivot:
            array_settings.rotate_around_pivot = d->IsChecked(id) ? 1 : 0;
            return 1;
        case kIdArrayCreate:
            if (sim::Running()) return 1;
            MakeArray(array_settings);
            return 1;
        case platform::kIdCancel:
            d->Close();
            return 1;
        default:
            return 0;
    }
}
