#include "ui/envelope_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "platform/format.h"
#include "scene/anifloat.h"
#include "scene/audio_window.h"
#include "scene/envelope.h"
#include "scene/envelope_editor.h"
#include "scene/envelope_file.h"
#include "scene/fields.h"
#include "scene/soundwave.h"
#include "ui/qt_dialog.h"

namespace ui {
namespace {

using platform::ControlKind;

constexpr int kIdTension = 5190, kIdContinuity = 5191, kIdBias = 5192;

const platform::ControlTemplate kEditorControls[] = {
    {kIdEnvCurve, ControlKind::Static, "", 4, 4, 240, 160, 0},
    {0, ControlKind::Static, "Click adds a key, drag moves it, right click sets its type",
     4, 168, 240, 9, 0},
    {0, ControlKind::Static, "Frames", 250, 5, 40, 8, 0},
    {kIdEnvFrames, ControlKind::Edit, "", 250, 14, 28, 12, platform::kStyleGroup | platform::kStyleNumber | platform::kStyleNoDrag},
    {kIdEnvSetFrames, ControlKind::PushButton, "Set frames", 280, 14, 46, 12, 0},
    {0, ControlKind::Static, "X", 250, 33, 8, 8, 0},
    {kIdEnvCursorX, ControlKind::Edit, "", 258, 31, 30, 12, platform::kStyleGroup},
    {0, ControlKind::Static, "Y", 290, 33, 8, 8, 0},
    {kIdEnvCursorY, ControlKind::Edit, "", 298, 31, 28, 12, 0},
    {kIdEnvCreateKey, ControlKind::PushButton, "Create key", 250, 46, 76, 13, 0},
    {kIdEnvLoop, ControlKind::CheckBox, "Loop", 250, 64, 76, 10, 0},
    {kIdEnvGrid, ControlKind::CheckBox, "Grid", 250, 76, 76, 10, 0},
    {kIdEnvShowValues, ControlKind::CheckBox, "Show values", 250, 88, 76, 10, 0},
    {kIdEnvFit, ControlKind::PushButton, "Fit view", 250, 102, 76, 13, 0},
    {kIdEnvLoad, ControlKind::PushButton, "Load...", 250, 118, 37, 13, 0},
    {kIdEnvSave, ControlKind::PushButton, "Save...", 289, 118, 37, 13, 0},
    {kIdEnvAudio, ControlKind::PushButton, "Audio...", 250, 134, 76, 13, 0},
    {kIdEnvClear, ControlKind::PushButton, "Clear Envelope", 250, 151, 76, 13, 0},
    {platform::kIdOk, ControlKind::PushButton, "Close", 270, 168, 56, 13, 0},
};
const platform::DialogTemplate kEditorTemplate = {"Envelope", 330, 184, kEditorControls,
                                                  static_cast<int>(sizeof kEditorControls / sizeof kEditorControls[0])};

const platform::ControlTemplate kSplineControls[] = {
    {0, ControlKind::Static, "Tension", 6, 8, 44, 8, 0},
    {kIdTension, ControlKind::Edit, "", 52, 6, 40, 12, platform::kStyleGroup},
    {0, ControlKind::Static, "Continuity", 6, 24, 44, 8, 0},
    {kIdContinuity, ControlKind::Edit, "", 52, 22, 40, 12, 0},
    {0, ControlKind::Static, "Bias", 6, 40, 44, 8, 0},
    {kIdBias, ControlKind::Edit, "", 52, 38, 40, 12, 0},
    {platform::kIdOk, ControlKind::PushButton, "OK", 6, 58, 40, 13, 0},
    {platform::kIdCancel, ControlKind::PushButton, "Cancel", 52, 58, 40, 13, 0},
};
const platform::DialogTemplate kSplineTemplate = {"Spline controls", 100, 76, kSplineControls,
                                                  static_cast<int>(sizeof kSplineControls / sizeof kSplineControls[0])};

struct EditorState {
    Envelope* env;
    ANIFloat* param;
    EnvelopeCurve* curve = nullptr;
    platform::Dialog* audio = nullptr;
    int end = kEditorClosed;
};

QPointer<QtDialog> g_editor;
EnvelopeCurve* g_curve = nullptr;

EditorState* StateOf(platform::Dialog* d) { return reinterpret_cast<EditorState*>(d->UserData()); }

// Runs a dialog as a modal window until it closes.
void RunModal(QtDialog* dialog) {
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
    QEventLoop loop;
    while (dialog->IsOpen()) loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 50);
}

void ShowFields(platform::Dialog* d, const Envelope* env) {
    d->SetText(kIdEnvFrames, platform::Format("%d", env->frames));
    d->SetCheck(kIdEnvLoop, env->loop != 0);
    d->SetCheck(kIdEnvGrid, env->grid != 0);
    d->SetCheck(kIdEnvShowValues, env->show_flag != 0);
}

// "Fit view to spline boundaries", with some room around a flat curve.
void FitView(Envelope* env) {
    FitViewToSamples(env);
    if (!(env->view_top > env->view_bottom)) {
        env->view_bottom -= 1.0f;
        env->view_top += 1.0f;
    } else {
        const float margin = 0.1f * (env->view_top - env->view_bottom);
        env->view_bottom -= margin;
        env->view_top += margin;
    }
    if (!(env->view_x1 > env->view_x0)) env->view_x1 = env->view_x0 + 1.0f;
}

// The audio window sits in the editor, under its controls.
void ToggleAudio(platform::Dialog* d, EditorState* s) {
    if (!s->audio) {
        s->audio = OpenAudioWindow(s->env, d);
        auto* panel = dynamic_cast<QtDialog*>(s->audio);
        if (!panel) return;
        panel->MoveWindow(0, kEditorTemplate.height);
        if (QWidget* area = panel->ControlWidget(kIdAudioWave)) {
            auto* wave = new WaveView(s->env, area);
            wave->setGeometry(area->rect());
            wave->show();
        }
        s->audio->ShowWindow(true);
        return;
    }
    s->audio->ShowWindow(!s->audio->IsWindowVisible());
}

void LoadOrSave(platform::Dialog* d, EditorState* s, bool load) {
    const QString filter = "Envelope files (*.env)";
    QString path = load ? QFileDialog::getOpenFileName(dynamic_cast<QWidget*>(d), kLoadEnvelopeTitle, QString(), filter)
                        : QFileDialog::getSaveFileName(dynamic_cast<QWidget*>(d), kSaveEnvelopeTitle, QString(), filter);
    if (path.isEmpty()) return;
    if (load) {
        if (LoadEnvelopeFile(path.toLocal8Bit().constData(), s->env)) ShowFields(d, s->env);
    } else {
        if (!path.endsWith(".env")) path += ".env";
        SaveEnvelopeFile(path.toLocal8Bit().constData(), s->env);
    }
}

intptr_t EditorProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == platform::kMsgInitDialog) {
        d->SetUserData(lparam);
        ShowFields(d, StateOf(d)->env);
        return 1;
    }
    EditorState* s = StateOf(d);
    if (!s) return 0;
    if (msg == platform::kMsgClose) {
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    Envelope* env = s->env;
    const int id = platform::CommandId(wparam);
    if (platform::CommandCode(wparam) == platform::kNotifyKillFocus) return 0;  // fields are read on demand
    switch (id) {
        case kIdEnvSetFrames: {
            float frames = static_cast<float>(env->frames);
            DameFloat(d, kIdEnvFrames, &frames, 0.0f, static_cast<float>(kMaxEnvelopeFrames));
            AskSetFrames(env, static_cast<int>(frames), d, kIdEnvFrames);
            if (s->curve) s->curve->view().Select(nullptr);
            break;
        }
        case kIdEnvCreateKey: {
            float x = 0, y = 0;
            if (DameFloat(d, kIdEnvCursorX, &x, 0, 0) && DameFloat(d, kIdEnvCursorY, &y, 0, 0)) {
                if (Pcontrol* key = CreateKeyAtCursor(env, x, y); key && s->curve) s->curve->view().Select(key);
            }
            break;
        }
        case kIdEnvLoop: env->loop = d->IsChecked(id) ? 1 : 0; break;
        case kIdEnvGrid: env->grid = d->IsChecked(id) ? 1 : 0; break;
        case kIdEnvShowValues: env->show_flag = d->IsChecked(id) ? 1 : 0; break;
        case kIdEnvFit: FitView(env); break;
        case kIdEnvLoad:
        case kIdEnvSave: LoadOrSave(d, s, id == kIdEnvLoad); break;
        case kIdEnvAudio: ToggleAudio(d, s); break;
        case kIdEnvClear:
            s->end = kEditorClearEnvelope;
            d->Close();
            return 1;
        case platform::kIdOk:
            d->Close();
            return 1;
        default: return 0;
    }
    (void)lparam;
    d->Repaint();
    return 1;
}

intptr_t SplineProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == platform::kMsgInitDialog) {
        d->SetUserData(lparam);
        auto* key = reinterpret_cast<Pcontrol*>(lparam);
        PonFloat(d, kIdTension, key->tension);
        PonFloat(d, kIdContinuity, key->continuity);
        PonFloat(d, kIdBias, key->bias);
        return 1;
    }
    if (msg == platform::kMsgClose) {
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand || platform::CommandCode(wparam) == platform::kNotifyKillFocus) return 0;
    const int id = platform::CommandId(wparam);
    if (id == platform::kIdOk) {
        auto* key = reinterpret_cast<Pcontrol*>(d->UserData());
        float t = key->tension, c = key->continuity, b = key->bias;
        DameFloat(d, kIdTension, &t, -1.0f, 1.0f);
        DameFloat(d, kIdContinuity, &c, -1.0f, 1.0f);
        DameFloat(d, kIdBias, &b, -1.0f, 1.0f);
        if (g_editor) SetKeySplineControls(StateOf(g_editor)->env, key, t, c, b);
        d->Close();
    }
    if (id == platform::kIdCancel) d->Close();
    return 1;
}

// A step of 1, 2 or 5 times a power of ten that puts lines at least `pixels` apart.
float NiceStep(float span, float size, float pixels) {
    if (!(span > 0.0f) || !(size > 0.0f)) return 1.0f;
    const float raw = span * pixels / size;
    const float power = std::pow(10.0f, std::floor(std::log10(raw)));
    for (float m : {1.0f, 2.0f, 5.0f, 10.0f}) {
        if (m * power >= raw) return m * power;
    }
    return 10.0f * power;
}

QString Number(float v) { return QString::number(static_cast<double>(v), 'g', 4); }

}  // namespace

EnvelopeCurve::EnvelopeCurve(Envelope* env, QWidget* parent)
    : QWidget(parent), env_(env), view_(env, 1, 1) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void EnvelopeCurve::resizeEvent(QResizeEvent*) { view_.Resize(width(), height()); }

void EnvelopeCurve::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(28, 30, 34));
    const Envelope* e = env_;
    const float w = static_cast<float>(width()), h = static_cast<float>(height());
    // Outside the keys' frames the curve holds its last value: shaded.
    const float x0 = view_.PixelX(e->first.time), x1 = view_.PixelX(const_cast<Envelope*>(e)->LastKey()->time);
    p.fillRect(QRectF(x0, 0, x1 - x0, h), QColor(36, 39, 44));
    if (e->grid) {
        const QColor line(62, 66, 76), label(130, 136, 148);
        const float fs = NiceStep(e->view_x1 - e->view_x0, w, 48.0f);
        for (float f = std::ceil(e->view_x0 / fs) * fs; f <= e->view_x1; f += fs) {
            p.setPen(line);
            p.drawLine(QPointF(view_.PixelX(f), 0), QPointF(view_.PixelX(f), h));
            p.setPen(label);
            p.drawText(QPointF(view_.PixelX(f) + 2, h - 3), Number(f));
        }
        const float vs = NiceStep(e->view_top - e->view_bottom, h, 28.0f);
        for (float v = std::ceil(e->view_bottom / vs) * vs; v <= e->view_top; v += vs) {
            p.setPen(line);
            p.drawLine(QPointF(0, view_.PixelY(v)), QPointF(w, view_.PixelY(v)));
            p.setPen(label);
            p.drawText(QPointF(2, view_.PixelY(v) - 2), Number(v));
        }
    }
    p.setPen(QColor(90, 96, 106));
    p.drawLine(QPointF(0, view_.PixelY(0)), QPointF(w, view_.PixelY(0)));
    // Limits of the sampled values, when there are any.
    if (e->min_value != e->max_value) {
        p.setPen(QPen(QColor(200, 80, 80), 1, Qt::DashLine));
        for (float limit : {e->min_value, e->max_value}) {
            if (limit != kNoLimit) p.drawLine(QPointF(0, view_.PixelY(limit)), QPointF(w, view_.PixelY(limit)));
        }
    }
    p.setRenderHint(QPainter::Antialiasing);
    auto polyline = [&](const Vector* samples, QColor colour, qreal width) {
        const int n = e->SampleCount();
        if (!samples || n == 0) return;
        QPainterPath path;
        path.moveTo(view_.PixelX(samples[0].x), view_.PixelY(samples[0].y));
        for (int i = 1; i < n; ++i) path.lineTo(view_.PixelX(samples[i].x), view_.PixelY(samples[i].y));
        p.setPen(QPen(colour, width));
        p.drawPath(path);
    };
    // The sound is the curve when it drives the value, a guide behind the keys otherwise.
    if (e->audio) polyline(e->audio_samples, e->use_audio ? QColor(255, 200, 90) : QColor(120, 100, 60), 1.5);
    polyline(e->samples, e->use_audio ? QColor(70, 110, 140) : QColor(110, 190, 255), 2.0);
    for (const Pcontrol* k = &e->first; k; k = k->next) {
        const QPointF at(view_.PixelX(k->time), view_.PixelY(k->value));
        if (k->type == kKeyTangent) {
            const QPointF in(view_.PixelX(k->time - 10.0f), view_.PixelY(k->value - 10.0f * k->slope_in));
            const QPointF out(view_.PixelX(k->time + 10.0f), view_.PixelY(k->value + 10.0f * k->slope_out));
            p.setPen(QColor(230, 150, 60));
            p.drawLine(in, at);
            p.drawLine(at, out);
            p.drawEllipse(in, 3.5, 3.5);
            p.drawEllipse(out, 3.5, 3.5);
        }
        const QColor colour = k->type == kKeyTangent ? QColor(240, 160, 70)
                              : k->type == kKeyLinear ? QColor(140, 220, 120)
                                                      : QColor(235, 235, 235);
        p.setPen(colour);
        p.setBrush(k == view_.selected() ? QBrush(QColor(255, 230, 60)) : Qt::NoBrush);
        p.drawRect(QRectF(at.x() - 3.5, at.y() - 3.5, 7, 7));
        p.setBrush(Qt::NoBrush);
        if (e->show_flag) p.drawText(at + QPointF(6, -6), Number(k->value));
    }
}

void EnvelopeCurve::mousePressEvent(QMouseEvent* e) {
    const QPointF at = e->position();
    const EnvelopeView::Button button = e->button() == Qt::RightButton    ? EnvelopeView::kRight
                                        : e->button() == Qt::MiddleButton ? EnvelopeView::kMiddle
                                                                          : EnvelopeView::kLeft;
    view_.Press(button, static_cast<float>(at.x()), static_cast<float>(at.y()));
    update();
    if (button == EnvelopeView::kRight && view_.selected()) KeyMenu(at.toPoint());
}

void EnvelopeCurve::mouseMoveEvent(QMouseEvent* e) {
    const float x = static_cast<float>(e->position().x()), y = static_cast<float>(e->position().y());
    if (on_cursor) on_cursor(view_.FrameAt(x), view_.ValueAt(y));
    if (view_.dragging()) {
        view_.Move(x, y);
        update();
    }
}

void EnvelopeCurve::mouseReleaseEvent(QMouseEvent*) { view_.Release(); }

void EnvelopeCurve::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0) return;
    view_.Zoom(static_cast<float>(e->position().x()), static_cast<float>(e->position().y()),
               std::pow(0.8f, static_cast<float>(steps)));
    update();
}

void EnvelopeCurve::KeyMenu(const QPoint& at) {
    Pcontrol* key = view_.selected();
    QMenu menu(this);
    const char* const names[] = {"Smooth", "Tangent", "Linear"};
    for (int type = kKeySmooth; type <= kKeyLinear; ++type) {
        QAction* a = menu.addAction(names[type - 1]);
        a->setCheckable(true);
        a->setChecked(key->type == type && !(type == kKeySmooth && key->advanced));
        connect(a, &QAction::triggered, this, [this, key, type] { SetKeyType(env_, key, type); });
    }
    QAction* advanced = menu.addAction("Advanced");
    advanced->setCheckable(true);
    advanced->setChecked(key->advanced != 0);
    connect(advanced, &QAction::triggered, this, [key] {
        platform::Dialog* d = platform::CreateDialog(&kSplineTemplate, SplineProc, nullptr, reinterpret_cast<intptr_t>(key));
        if (auto* q = dynamic_cast<QtDialog*>(d)) RunModal(q);
        platform::DestroyDialog(d);
    });
    menu.addSeparator();
    QAction* remove = menu.addAction("Delete key");
    remove->setEnabled(key != &env_->first && key->next);
    connect(remove, &QAction::triggered, this, [this] { view_.RemoveSelected(); });
    menu.exec(mapToGlobal(at));
    update();
}

WaveView::WaveView(const Envelope* env, QWidget* parent) : QWidget(parent), env_(env) {}

void WaveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(28, 30, 34));
    const SoundWave* w = env_->audio;
    if (!w || !w->filtered || w->count <= 0) {
        p.setPen(QColor(150, 150, 150));
        p.drawText(rect(), Qt::AlignCenter, "No sound loaded");
        return;
    }
    // The loudness measure, the loudest sample of each pixel column, scaled to the highest.
    const int columns = std::max(1, width());
    float top = 0.0f;
    for (int i = 0; i < w->count; ++i) top = std::max(top, w->filtered[i]);
    const float scale = top > 0.0f ? static_cast<float>(height() - 2) / top : 0.0f;
    p.setPen(QColor(120, 170, 220));
    for (int c = 0; c < columns; ++c) {
        const long long a = static_cast<long long>(c) * w->count / columns;
        const long long b = std::max(a + 1, static_cast<long long>(c + 1) * w->count / columns);
        float peak = 0.0f;
        for (long long i = a; i < b && i < w->count; ++i) peak = std::max(peak, w->filtered[i]);
        p.drawLine(c, height() - 1, c, height() - 1 - static_cast<int>(peak * scale));
    }
    // What the threshold cuts: measures below threshold − offset give 0.
    const float cut = w->threshold - w->offset;
    if (cut > 0.0f && cut <= top) {
        p.setPen(QPen(QColor(220, 90, 90), 1, Qt::DashLine));
        const int y = height() - 1 - static_cast<int>(cut * scale);
        p.drawLine(0, y, width(), y);
    }
}

int RunEnvelopeEditor(platform::Dialog*, int, ANIFloat* param, Envelope* env, int) {
    if (!env) return kEditorClosed;
    EditorState state{env, param};
    platform::Dialog* d = platform::CreateDialog(&kEditorTemplate, EditorProc, nullptr, reinterpret_cast<intptr_t>(&state));
    auto* window = dynamic_cast<QtDialog*>(d);
    if (!window) {
        platform::DestroyDialog(d);
        return kEditorClosed;
    }
    window->setWindowTitle(QString("Envelope: %1").arg(param && param->label[0] ? QString::fromLocal8Bit(param->label)
                                                                                : QString("parameter")));
    QWidget* area = window->ControlWidget(kIdEnvCurve);
    auto* curve = new EnvelopeCurve(env, window);
    curve->setGeometry(area->geometry());
    area->hide();
    curve->show();
    curve->on_cursor = [d](float frame, float value) {
        PonFloat(d, kIdEnvCursorX, frame);
        PonFloat(d, kIdEnvCursorY, value);
    };
    state.curve = curve;
    g_editor = window;
    g_curve = curve;
    RunModal(window);
    g_editor = nullptr;
    g_curve = nullptr;
    const int end = state.end;
    platform::DestroyDialog(d);  // the audio window, a child, goes with it
    return end;
}

platform::Dialog* OpenEnvelopeEditor() { return g_editor.data(); }
EnvelopeCurve* OpenEnvelopeCurve() { return g_curve; }

}  // namespace ui
