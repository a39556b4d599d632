#include "param_block.h"

#include <cassert>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "shipped_ids.h"

namespace shipped {
namespace {

// A record longer than this is not a parameter record.
constexpr int32_t kMostStoredValues = 256;

int ShownAxis(FieldKind kind) {
    switch (kind) {
        case FieldKind::AxisX:
            return 0;
        case FieldKind::AxisY:
            return 1;
        case FieldKind::AxisZ:
            return 2;
        default:
            return -1;
    }
}

// Where the value of parameter i lives: itself, or for a vector the internal component that the
// shown axis maps to.
int Storage(const ParamTable& t, int i) {
    int shown = ShownAxis(t.specs[i].kind);
    if (shown < 0) return i;
    const int axes[3] = {AX, AY, AZ};
    return i - shown + axes[shown];
}

}  // namespace

ParamBlock::ParamBlock(const ParamTable& table) : table_(&table), values_{} {
    assert(table.count <= kMaxParams);
    for (int i = 0; i < table.count && i < kMaxParams; ++i) values_[i] = table.specs[i].initial;
}

int ParamBlock::ValueIndex(int id) const {
    for (int i = 0; i < table_->count; ++i) {
        if (table_->specs[i].id == id) return Storage(*table_, i);
    }
    return -1;
}

void ParamBlock::Show(platform::Dialog* window) const {
    if (!window) return;
    for (int i = 0; i < table_->count; ++i) {
        const ParamSpec& s = table_->specs[i];
        float v = values_[Storage(*table_, i)];
        if (s.kind == FieldKind::Check) {
            window->SetCheck(s.id, v != 0.0f);
        } else if (s.kind == FieldKind::Text) {
            window->SetText(s.id, texts_[i]);
        } else {
            PonFloat(window, s.id, v);
        }
    }
}

bool ParamBlock::Read(platform::Dialog* window, int id, int code) {
    if (!window) return false;
    for (int i = 0; i < table_->count; ++i) {
        const ParamSpec& s = table_->specs[i];
        if (s.id != id) continue;
        float& v = values_[Storage(*table_, i)];
        if (s.kind == FieldKind::Check) {
            if (code != platform::kNotifyClicked) return false;
            v = window->IsChecked(id) ? 1.0f : 0.0f;
            return true;
        }
        if (code != platform::kNotifyKillFocus) return false;
        if (s.kind == FieldKind::Text) {
            SetText(i, window->GetText(id));
        } else {
            DameFloat(window, id, &v, s.min, s.max);
        }
        return true;
    }
    return false;
}

bool ParamBlock::Save() const {
    if (!platform::WriteI32(table_->count)) return false;
    for (int i = 0; i < table_->count; ++i) {
        if (!platform::WriteF32(values_[i])) return false;
    }
    for (int i = 0; i < table_->count; ++i) {
        if (table_->specs[i].kind != FieldKind::Text) continue;
        const std::string& t = texts_[i];
        if (!platform::WriteI32(static_cast<int32_t>(t.size())) ||
            ::Write(t.data(), static_cast<int>(t.size())) != static_cast<int>(t.size())) {
            return false;
        }
    }
    return true;
}

bool ParamBlock::Load() {
    int32_t stored = 0;
    if (!platform::ReadI32(&stored) || stored < 0 || stored > kMostStoredValues) return false;
    float read[kMaxParams];
    for (int32_t i = 0; i < stored; ++i) {
        float v = 0.0f;
        if (!platform::ReadF32(&v)) return false;
        if (i < table_->count) read[i] = v;
    }
    std::string texts[kMaxParams];
    for (int i = 0; i < table_->count; ++i) {
        if (table_->specs[i].kind != FieldKind::Text) continue;
        int32_t n = 0;
        if (!platform::ReadI32(&n) || n < 0 || n > static_cast<int32_t>(kMaxTextBytes))
            return false;
        texts[i].resize(static_cast<size_t>(n));
        if (n > 0 && ::Read(texts[i].data(), n) != n) return false;
    }
    // Nothing changes unless the whole record was there.
    for (int32_t i = 0; i < stored && i < table_->count; ++i) values_[i] = read[i];
    for (int i = 0; i < table_->count; ++i) {
        if (table_->specs[i].kind == FieldKind::Text) texts_[i] = texts[i];
    }
    return true;
}

void ShowNodeScale(platform::Dialog* window, const Nodo* node) {
    if (!window || !node) return;
    PonFloat(window, kIdScaleX, node->scale[AX]);
    PonFloat(window, kIdScaleY, node->scale[AY]);
    PonFloat(window, kIdScaleZ, node->scale[AZ]);
}

const platform::DialogTemplate* ParamWindowTemplate(const char* title, const ParamTable& table) {
    struct Built {
        std::vector<platform::ControlTemplate> controls;
        platform::DialogTemplate tmpl{};
    };
    static std::mutex mutex;
    static std::map<const ParamTable*, std::unique_ptr<Built>> built;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = built.find(&table);
    if (found != built.end()) return &found->second->tmpl;

    // Dialog units: a label column, then up to three fields per row.
    constexpr int kLabelX = 4, kLabelWidth = 78, kFieldX = 82, kFieldWidth = 36, kFieldPitch = 39;
    constexpr int kTop = 4, kRowPitch = 16, kFieldHeight = 12;
    auto out = std::make_unique<Built>();
    auto& c = out->controls;
    int row = 0;
    auto label = [&](const char* text) {
        c.push_back({kIdLabelBase + row, platform::ControlKind::Static, text, kLabelX,
                     kTop + row * kRowPitch + 2, kLabelWidth, kFieldHeight, 0});
    };
    auto field = [&](int id, int column) {
        c.push_back({id, platform::ControlKind::Edit, "", kFieldX + column * kFieldPitch,
                     kTop + row * kRowPitch, kFieldWidth, kFieldHeight, 0});
    };
    const struct {
        const char* text;
        int ids[3];
    } node_rows[] = {{"Position", {kIdPosX, kIdPosY, kIdPosZ}},
                     {"Rotation (deg)", {kIdRotX, kIdRotY, kIdRotZ}},
                     {"Scale", {kIdScaleX, kIdScaleY, kIdScaleZ}}};
    for (const auto& r : node_rows) {
        label(r.text);
        for (int k = 0; k < 3; ++k) field(r.ids[k], k);
        ++row;
    }
    for (int i = 0; i < table.count; ++i) {
        const ParamSpec& s = table.specs[i];
        int shown = ShownAxis(s.kind);
        if (s.kind == FieldKind::Check) {
            c.push_back({s.id, platform::ControlKind::CheckBox, s.label, kLabelX,
                         kTop + row * kRowPitch, kLabelWidth + 3 * kFieldPitch, kFieldHeight, 0});
            ++row;
        } else if (s.kind == FieldKind::Text) {
            label(s.label);
            c.push_back({s.id, platform::ControlKind::Edit, "", kFieldX, kTop + row * kRowPitch,
                         2 * kFieldPitch + kFieldWidth, kFieldHeight, 0});
            ++row;
        } else if (shown > 0) {
            field(s.id, shown);
            if (shown == 2) ++row;
        } else {
            label(s.label);
            field(s.id, 0);
            if (shown < 0) ++row;
        }
    }
    out->tmpl = platform::DialogTemplate{title, kFieldX + 3 * kFieldPitch, 2 * kTop + row * kRowPitch,
                                         c.data(), static_cast<int>(c.size())};
    const platform::DialogTemplate* result = &out->tmpl;
    built.emplace(&table, std::move(out));
    return result;
}

}  // namespace shipped
