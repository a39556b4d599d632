#pragma once

#include <QWidget>

#include <functional>

#include "platform/dialog.h"
#include "ui/envelope_view.h"

class ANIFloat;
class Envelope;

namespace ui {

// Controls of the envelope editor's window (check box 5151 is the envelope's show_flag).
enum EnvelopeEditorControl {
    kIdEnvCurve = 5150,
    kIdEnvShowValues = 5151,
    kIdEnvFrames = 5152,
    kIdEnvSetFrames = 5154,
    kIdEnvCursorX = 5155,
    kIdEnvCursorY = 5156,
    kIdEnvCreateKey = 5157,
    kIdEnvLoop = 5158,
    kIdEnvGrid = 5159,
    kIdEnvFit = 5160,
    kIdEnvLoad = 5161,
    kIdEnvSave = 5162,
    kIdEnvAudio = 5163,
    kIdEnvClear = 5164,
};

// The curve area: draws the envelope (grid, curve, keys, slope handles, the sound behind or
// as the curve) and hands the mouse to an EnvelopeView.
class EnvelopeCurve : public QWidget {
    Q_OBJECT

public:
    EnvelopeCurve(Envelope* env, QWidget* parent);
    EnvelopeView& view() { return view_; }
    // The pointer moved over the area: its frame and value.
    std::function<void(float frame, float value)> on_cursor;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void KeyMenu(const QPoint& at);

    Envelope* env_;
    EnvelopeView view_;
};

// The sound of an envelope and its loudness measure, in the audio window.
class WaveView : public QWidget {
    Q_OBJECT

public:
    WaveView(const Envelope* env, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const Envelope* env_;
};

// The editor, modal: opens on env (param names it), returns how it ended (anifloat.h). It is
// the application's envelope editor hook.
int RunEnvelopeEditor(platform::Dialog* owner, int id, ANIFloat* param, Envelope* env, int flag);

// The editor's window while it is open (tests drive it), or null.
platform::Dialog* OpenEnvelopeEditor();
EnvelopeCurve* OpenEnvelopeCurve();

}  // namespace ui
