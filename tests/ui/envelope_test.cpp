// The envelope editor: its mouse logic on the curve area, and the editor opened from an
// animated parameter's field, on real widgets without a screen.
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>

#include "platform/dialog.h"
#include "scene/anifloat.h"
#include "scene/envelope.h"
#include "scene/fields.h"
#include "ui/envelope_view.h"
#include "ui/envelope_window.h"
#include "ui/qt_dialog.h"
#include "ui_fixture.h"

namespace {

// 60 frames at 1, over a 200 x 100 pixel area showing frames 0..60 and values 0..2:
// 0.3 frame and 0.02 per pixel.
struct Fixture {
    Envelope env{60, 1.0f, 0.0f, 0.0f};
    ui::EnvelopeView view{&env, 200, 100};
    Fixture() {
        env.view_x0 = 0;
        env.view_x1 = 60;
        env.view_bottom = 0;
        env.view_top = 2;
    }
    float X(float frame) const { return view.PixelX(frame); }
    float Y(float value) const { return view.PixelY(value); }
    float SampleAt(float frame) const { return env.samples[static_cast<int>(frame * 4.0f + 0.5f)].y; }
    // Presses the left button at (frame, value), moves to (to_frame, to_value), lets go:
    // whether the move changed anything.
    bool Drag(float frame, float value, float to_frame, float to_value) {
        view.Press(ui::EnvelopeView::kLeft, X(frame), Y(value));
        const bool moved = view.Move(X(to_frame), Y(to_value));
        view.Release();
        return moved;
    }
};

constexpr int kField = 100;
ANIFloat g_param;
const platform::ControlTemplate kControls[] = {{kField, platform::ControlKind::Edit, "", 4, 4, 60, 12, 0}};
const platform::DialogTemplate kPanel = {"Panel", 70, 20, kControls, 1};

// A panel whose field edits g_param, and that opens its envelope on "Open Envelope".
intptr_t PanelProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgAnimatedParameter && static_cast<int>(wparam) == kField) {
        *reinterpret_cast<ANIFloat**>(lparam) = &g_param;
        return 1;
    }
    if (msg == platform::kMsgCommand) return ProcesaOpenEnvelope(d, wparam, lparam);
    return 0;
}

// Runs act once the editor window is open (it opens from a queued request, modally).
void WhenEditorOpens(std::function<void()> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (!ui::OpenEnvelopeEditor()) return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start(5);
}

void Click(QWidget* w, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

}  // namespace

class EnvelopeTest : public QObject {
    Q_OBJECT

private slots:
    void init() { uitest::FreshProgram(); }
    void cleanup() {
        SetEnvelopeEditor(nullptr);
        platform::SetDialogFactory(nullptr);
    }

    void aClickAddsAKeyWhereItFalls() {
        Fixture f;
        // With the grid on, the key lands on the nearest whole frame.
        QVERIFY(f.view.Press(ui::EnvelopeView::kLeft, f.X(20.2f), f.Y(1.5f)));
        f.view.Release();
        QCOMPARE(f.env.KeyCount(), 3);
        Pcontrol* key = f.env.first.next;
        QCOMPARE(key->time, 20.0f);
        QCOMPARE(key->value, 1.5f);
        QCOMPARE(key->type, static_cast<int>(kKeySmooth));
        QCOMPARE(f.view.selected(), key);
        QCOMPARE(f.SampleAt(20.0f), 1.5f);  // re-sampled through the new key

        // Not on a key's frame, not before the first key or past the last: nothing is added.
        f.env.grid = 0;
        for (float frame : {20.1f, -3.0f, 0.1f, 59.9f, 65.0f}) {
            QVERIFY2(!f.view.Press(ui::EnvelopeView::kLeft, f.X(frame), f.Y(0.5f)), qPrintable(QString::number(frame)));
            f.view.Release();
        }
        QCOMPARE(f.env.KeyCount(), 3);
        // Without the grid the time is where the pointer was.
        QVERIFY(f.view.Press(ui::EnvelopeView::kLeft, f.X(40.3f), f.Y(0.5f)));
        QVERIFY(std::fabs(f.env.first.next->next->time - 40.3f) < 0.2f);
    }

    void aDraggedKeyStaysBetweenItsNeighboursAndWithinTheLimits() {
        Fixture f;
        Pcontrol* a = f.env.InsertKey(20.0f, 1.0f);
        Pcontrol* b = f.env.InsertKey(40.0f, 1.0f);
        // Dragging b far left stops a quarter frame after a; its value follows the pointer.
        QVERIFY(!f.view.Press(ui::EnvelopeView::kLeft, f.X(40.0f), f.Y(1.0f)));
        QVERIFY(f.view.Move(f.X(5.0f), f.Y(1.6f)));
        f.view.Release();
        QCOMPARE(b->time, 20.0f + ui::EnvelopeView::kMinGap);
        QVERIFY(std::fabs(b->value - 1.6f) < 1e-4f);
        QVERIFY(a->next == b && b->next == f.env.LastKey());

        // The first and the last key keep their frames.
        Pcontrol* last = f.env.LastKey();
        f.Drag(60.0f, 1.0f, 50.0f, 0.4f);
        QCOMPARE(last->time, 60.0f);
        QVERIFY(std::fabs(last->value - 0.4f) < 1e-4f);
        QCOMPARE(f.SampleAt(60.0f), last->value);

        // Limits hold the value, except when both are equal (no limits at all).
        f.env.min_value = 0.5f;
        f.env.max_value = kNoLimit;
        f.Drag(0.0f, 1.0f, 3.0f, 0.1f);
        QCOMPARE(f.env.first.value, 0.5f);
        QCOMPARE(f.env.first.time, 0.0f);
        f.env.min_value = f.env.max_value = 0.0f;
        f.Drag(0.0f, 0.5f, 0.0f, 0.1f);
        QVERIFY(std::fabs(f.env.first.value - 0.1f) < 1e-4f);
    }

    void aTangentHandleSetsTheSlope() {
        Fixture f;
        Pcontrol* key = f.env.InsertKey(30.0f, 1.0f);
        key->type = kKeyTangent;
        f.env.Resample();
        // The outgoing handle 10 frames after the key, dragged 0.5 up: a slope of 0.05 a frame.
        QVERIFY(f.Drag(40.0f, 1.0f, 40.0f, 1.5f));
        QVERIFY(std::fabs(key->slope_out - 0.05f) < 1e-4f);
        QCOMPARE(key->time, 30.0f);
        f.Drag(20.0f, 1.0f, 20.0f, 1.2f);
        QVERIFY(std::fabs(key->slope_in + 0.02f) < 1e-4f);
    }

    void aKeyThatLeftTheEnvelopeIsNoLongerSelected() {
        Fixture f;
        QVERIFY(f.view.Press(ui::EnvelopeView::kLeft, f.X(30.0f), f.Y(1.5f)));
        QVERIFY(f.view.selected() != nullptr);
        // New frames replace the keys after the first while the key is still held.
        QVERIFY(f.env.SetFrames(40));
        QVERIFY(f.view.selected() == nullptr);
        QVERIFY(!f.view.Move(f.X(20.0f), f.Y(0.2f)));
        QVERIFY(!f.view.RemoveSelected());
        QCOMPARE(f.env.KeyCount(), 2);
    }

    void theWheelZoomsAboutThePointer() {
        Fixture f;
        const float frame = f.view.FrameAt(50.0f), value = f.view.ValueAt(30.0f);
        f.view.Zoom(50.0f, 30.0f, 0.5f);
        QCOMPARE(f.env.view_x1 - f.env.view_x0, 30.0f);
        QVERIFY(std::fabs(f.view.FrameAt(50.0f) - frame) < 1e-4f);
        QVERIFY(std::fabs(f.view.ValueAt(30.0f) - value) < 1e-4f);
    }

    void openEnvelopeOpensTheEditorOnTheParameter() {
        ui::InstallQtDialogs(nullptr);
        SetEnvelopeEditor(ui::RunEnvelopeEditor);
        g_param.InitValue(2.0f, "Viscosity");
        platform::Dialog* panel = platform::CreateDialog(&kPanel, PanelProc, nullptr);
        auto* field = static_cast<ui::QtDialog*>(panel)->ControlWidget(kField);

        // A double click on the field opens the editor; a click on the curve adds a key, and
        // so does "Create key" at the cursor fields, but not beyond the frames.
        bool seen = false;
        WhenEditorOpens([&] {
            platform::Dialog* editor = ui::OpenEnvelopeEditor();
            ui::EnvelopeCurve* curve = ui::OpenEnvelopeCurve();
            seen = dynamic_cast<QWidget*>(editor)->windowTitle().contains("Viscosity");
            curve->resize(300, 150);
            Click(curve, QPointF(curve->view().PixelX(30.0f), curve->view().PixelY(3.0f)));
            editor->SetText(ui::kIdEnvCursorX, "12");
            editor->SetText(ui::kIdEnvCursorY, "0.5");
            platform::ClickControl(editor, ui::kIdEnvCreateKey);
            const int frames = std::stoi(editor->GetText(ui::kIdEnvFrames));
            QCOMPARE(frames, g_param.envelope->frames);
            editor->SetText(ui::kIdEnvCursorX, std::to_string(frames + 1));
            platform::ClickControl(editor, ui::kIdEnvCreateKey);
            for (int id : {ui::kIdEnvLoop, ui::kIdEnvGrid, ui::kIdEnvShowValues}) platform::ClickControl(editor, id);
            platform::ClickControl(editor, ui::kIdEnvFit);
            platform::ClickControl(editor, platform::kIdOk);
        });
        QTest::mouseDClick(field, Qt::LeftButton);
        QTRY_VERIFY(g_param.animated != 0);
        QVERIFY(seen);
        const Envelope& env = *g_param.envelope;
        QCOMPARE(env.KeyCount(), 4);
        QCOMPARE(env.first.next->time, 12.0f);
        QCOMPARE(env.first.next->value, 0.5f);
        QCOMPARE(env.first.next->next->time, 30.0f);
        QVERIFY(env.loop == 1 && env.grid == 0 && env.show_flag == 1);
        // The fitted view holds the whole curve, with room above and below.
        QVERIFY(env.view_x0 == 0.0f && env.view_x1 == float(env.frames));
        QVERIFY(env.view_bottom < 0.5f && env.view_top > 3.0f);

        // "Clear Envelope" takes the animation away again.
        WhenEditorOpens([] { platform::ClickControl(ui::OpenEnvelopeEditor(), ui::kIdEnvClear); });
        QTest::mouseDClick(field, Qt::LeftButton);
        QTRY_VERIFY(g_param.animated == 0);
        QVERIFY(g_param.envelope == nullptr);
        QCOMPARE(g_param.value, 2.0f);
        platform::DestroyDialog(panel);
    }
};

QTEST_MAIN(EnvelopeTest)
#include "envelope_test.moc"
