#include "ui/slider_range.h"

#include <QMouseEvent>

#include <string>

#include "scene/fields.h"

namespace ui {
namespace {

using platform::ControlKind;

const platform::ControlTemplate kControls[] = {
    {0, ControlKind::Static, "Minimum", 8, 10, 40, 10, 0},
    {kIdRangeMin, ControlKind::Edit, "", 52, 8, 40, 12, platform::kStyleNumber | platform::kStyleGroup},
    {0, ControlKind::Static, "Maximum", 8, 26, 40, 10, 0},
    {kIdRangeMax, ControlKind::Edit, "", 52, 24, 40, 12, platform::kStyleNumber},
    {kIdRangeReset, ControlKind::PushButton, "Reset", 8, 44, 40, 14, platform::kStyleGroup},
    {kIdRangeApply, ControlKind::PushButton, "Apply", 52, 44, 40, 14, 0},
};
const platform::DialogTemplate kTemplate = {"Slider range (min - max % values)", 100, 64, kControls,
                                           static_cast<int>(sizeof kControls / sizeof kControls[0])};

int g_min = 0;
int g_max = 100;

// The slider a window is for, kept as the window's user data.
struct Target {
    platform::Dialog* dialog;
    int id;
};

int ReadInt(platform::Dialog* w, int id, int fallback) {
    const std::string t = w->GetText(id);
    const double v = fields::ParseNumber(t.c_str());
    if (v == 0.0 && !fields::LooksLikeZero(t.c_str())) return fallback;
    return static_cast<int>(v);
}

void Finish(platform::Dialog* w) {
    delete reinterpret_cast<Target*>(w->UserData());
    w->SetUserData(0);
    w->Close();
}

}  // namespace

const platform::DialogTemplate* SliderRangeTemplate() { return &kTemplate; }

void StoredSliderRange(int* minimum, int* maximum) {
    *minimum = g_min;
    *maximum = g_max;
}

intptr_t SliderRangeProc(platform::Dialog* w, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    auto* target = reinterpret_cast<Target*>(w->UserData());
    if (msg == platform::kMsgInitDialog) {
        auto* t = reinterpret_cast<Target*>(lparam);
        w->SetUserData(lparam);
        int lo = 0, hi = 100;
        if (t && t->dialog) t->dialog->SliderRange(t->id, &lo, &hi);
        w->SetText(kIdRangeMin, std::to_string(lo));
        w->SetText(kIdRangeMax, std::to_string(hi));
        return 1;
    }
    if (msg == platform::kMsgClose) {
        Finish(w);
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam), code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus && id == kIdRangeMin) {
        g_min = ReadInt(w, id, g_min);
        if (g_min > g_max) {
            g_min = g_max;
            w->SetText(id, std::to_string(g_min));
        }
        return 1;
    }
    if (code == platform::kNotifyKillFocus && id == kIdRangeMax) {
        g_max = ReadInt(w, id, g_max);
        if (g_max < g_min) {
            g_max = g_min;
            w->SetText(id, std::to_string(g_max));
        }
        return 1;
    }
    if (code != platform::kNotifyClicked) return 0;
    if (id == kIdRangeApply) {
        SliderRangeProc(w, platform::kMsgCommand, platform::MakeCommand(kIdRangeMin, platform::kNotifyKillFocus), 0);
        SliderRangeProc(w, platform::kMsgCommand, platform::MakeCommand(kIdRangeMax, platform::kNotifyKillFocus), 0);
        if (target && target->dialog) {
            target->dialog->SliderSetRange(target->id, g_min, g_max);
            target->dialog->Repaint();
        }
        Finish(w);
        return 1;
    }
    if (id == kIdRangeReset) {
        if (target && target->dialog) {
            target->dialog->SliderSetRange(target->id, 0, 100);
            target->dialog->Repaint();
        }
        Finish(w);
        return 1;
    }
    if (id == platform::kIdCancel) {
        Finish(w);
        return 1;
    }
    return 0;
}

platform::Dialog* OpenSliderRange(platform::Dialog* dialog, int id) {
    auto* t = new Target{dialog, id};
    platform::Dialog* w = platform::CreateDialog(&kTemplate, SliderRangeProc, nullptr, reinterpret_cast<intptr_t>(t));
    if (!w) delete t;
    return w;
}

RangeSlider::RangeSlider(platform::Dialog* dialog, int id, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), dialog_(dialog), id_(id) {
    setRange(0, 100);
}

void RangeSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) OpenSliderRange(dialog_, id_);
    QSlider::mousePressEvent(e);
}

}  // namespace ui
