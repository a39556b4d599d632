// The interface's logic on real widgets, without a screen.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QtTest>

#include <filesystem>

#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "scene/axes.h"
#include "io/config.h"
#include "objects/scene_import.h"
#include "mesh/mesh.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/modal.h"
#include "scene/anifloat.h"
#include "scene/fields.h"
#include "scene/preferences.h"
#include "ui/camera_math.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/particle_draw.h"
#include "ui/message_window.h"
#include "ui/preferences_window.h"
#include "ui/qt_dialog.h"
#include "ui/slider_range.h"
#include "ui_fixture.h"

namespace {

using platform::ControlKind;

constexpr int kFloatField = 100, kIntField = 101, kStillField = 102, kSecondField = 103, kOtherGroup = 104;
constexpr int kSlider = 110;
const platform::ControlTemplate kFieldControls[] = {
    {kFloatField, ControlKind::Edit, "", 10, 10, 60, 12, platform::kStyleGroup},
    {kIntField, ControlKind::Edit, "", 10, 26, 60, 12, platform::kStyleNumber},
    {kStillField, ControlKind::Edit, "", 10, 42, 60, 12, platform::kStyleNoDrag},
    {kSecondField, ControlKind::Edit, "", 10, 58, 60, 12, 0},
    {kOtherGroup, ControlKind::Edit, "", 80, 10, 60, 12, platform::kStyleGroup},
    {kSlider, ControlKind::Slider, "", 80, 30, 60, 12, 0},
};
const platform::DialogTemplate kFieldTemplate = {"Fields", 150, 80, kFieldControls, 6};

// What the panels do: the float field is a parameter limited to 0..5, read on focus loss.
ANIFloat g_param;
float g_int_value = 0;
intptr_t FieldProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgAnimatedParameter && static_cast<int>(wparam) == kFloatField) {
        *reinterpret_cast<ANIFloat**>(lparam) = &g_param;
        return 1;
    }
    if (msg == platform::kMsgCommand && platform::CommandCode(wparam) == platform::kNotifyKillFocus) {
        const int id = platform::CommandId(wparam);
        if (id == kFloatField) DameANIFloat(d, id, &g_param);
        if (id == kIntField) DameFloat(d, id, &g_int_value, 0, 0);
    }
    return 0;
}

// A vertical drag of the left button over w, in steps of one pixel.
void Drag(QWidget* w, int dy) {
    const QPoint local(10, 5);
    QPoint global = w->mapToGlobal(local);
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    for (int i = 0; i < std::abs(dy); ++i) {
        global.ry() += dy > 0 ? 1 : -1;
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        uitest::FreshProgram();
        ui::InstallQtDialogs(nullptr);
    }
    void cleanup() { platform::SetDialogFactory(nullptr); }

    void orbitCamera() {
        // Past the pole the up vector turns over; an angle reaching 360 wraps.
        const struct {
            int elevation;
            bool upside_down;
        } poles[] = {{80, false}, {90, false}, {100, true}, {269, true}, {270, false}, {-100, true}, {-80, false}};
        for (const auto& p : poles) QCOMPARE(view::UpsideDown(p.elevation), p.upside_down);

        Camera c;
        c.target = Vector(1, 2, 3);
        c.elevation = 0;
        c.azimuth = 90;
        c.distance = 4;
        view::UpdateOrbit(c, false);
        QVERIFY(std::abs(c.eye.x - 5) < 1e-5f && std::abs(c.eye.y - 2) < 1e-5f && std::abs(c.eye.z - 3) < 1e-5f);
        view::UpdateOrbit(c, true);  // first person: the eye stays, the target moves
        QVERIFY(std::abs(c.target.x - 9) < 1e-5f);

        Camera press = c;
        press.azimuth = 350;
        press.elevation = 30;
        view::OrbitDrag(c, press, 25, -7, false);
        QCOMPARE(c.azimuth, 15);  // 375 wraps
        QCOMPARE(c.elevation, 23);

        view::DollyDrag(c, press, -1000);
        QCOMPARE(c.distance, view::kMinDistance);
        c.view_mode = view::kTop;
        press.zoom[0] = 2;
        view::DollyDrag(c, press, 10);
        QCOMPARE(c.zoom[0], 3.0f);
        view::DollyDrag(c, press, -100);
        QCOMPARE(c.zoom[0], view::kMinDistance);

        // Panning moves eye and target together, the orthographic views their centre.
        Camera pan;
        view::UpdateOrbit(pan, false);
        const Vector gap = pan.target - pan.eye;
        view::PanDrag(pan, 30, -12);
        QVERIFY(((pan.target - pan.eye) - gap).Modulo() < 1e-5f);
        QVERIFY(pan.target.Modulo() > 0.1f);
        pan.view_mode = view::kFront;
        view::PanDrag(pan, 10, 0);
        QVERIFY(pan.centre[1].x > 0 && pan.centre[0].Modulo() == 0.0f);
    }

    void draggingANumericFieldStepsItsValueWithinItsLimits() {
        g_param.animated = 0;
        g_param.value = 1.0f;
        g_param.min = 0.0f;
        g_param.max = 5.0f;
        g_int_value = 4;
        prefs.scrolling_step = 0.1f;
        platform::Dialog* d = platform::CreateDialog(&kFieldTemplate, FieldProc, nullptr);
        auto* q = dynamic_cast<ui::QtDialog*>(d);
        QVERIFY(q);
        d->SetText(kFloatField, "1.00");
        d->SetText(kIntField, "4");
        d->SetText(kStillField, "7.5");

        Drag(q->ControlWidget(kFloatField), -10);  // up 10 pixels: 10 steps of 0.1
        QCOMPARE(g_param.value, 2.0f);
        Drag(q->ControlWidget(kFloatField), -40);  // past the limit
        QCOMPARE(g_param.value, 5.0f);
        QCOMPARE(QString::fromStdString(d->GetText(kFloatField)).trimmed(), QString("5.00"));

        Drag(q->ControlWidget(kIntField), 3);  // integer fields step by 1
        QCOMPARE(g_int_value, 1.0f);
        Drag(q->ControlWidget(kStillField), -20);
        QCOMPARE(QString::fromStdString(d->GetText(kStillField)), QString("7.5"));

        prefs.click_hold_drag = 0;
        Drag(q->ControlWidget(kIntField), -5);
        QCOMPARE(g_int_value, 1.0f);

        // The field's colour says whether its parameter is animated; Tab stays in its group.
        auto base = [&](int id) {
            QWidget* w = q->ControlWidget(id);
            w->grab();  // paints, which asks the dialog for the colour
            return w->palette().color(QPalette::Base);
        };
        QCOMPARE(base(kFloatField), QColor(255, 255, 200));
        g_param.animated = 1;
        QCOMPARE(base(kFloatField), QColor(255, 200, 200));
        QVERIFY(base(kIntField) != QColor(255, 255, 200));
        q->show();
        QCOMPARE(q->NextFieldInGroup(kFloatField), kIntField);
        QCOMPARE(q->NextFieldInGroup(kSecondField), kFloatField);  // wraps within its group
        QCOMPARE(q->NextFieldInGroup(kOtherGroup), kOtherGroup);
        platform::DestroyDialog(d);
    }

    void theSliderRangeWindowSetsTheRange() {
        platform::Dialog* d = platform::CreateDialog(&kFieldTemplate, FieldProc, nullptr);
        platform::Dialog* w = ui::OpenSliderRange(d, kSlider);
        QCOMPARE(w->GetText(ui::kIdRangeMax), std::string("100"));
        platform::TypeIntoField(w, ui::kIdRangeMax, "40");
        platform::TypeIntoField(w, ui::kIdRangeMin, "60");  // above the maximum: becomes it
        QCOMPARE(w->GetText(ui::kIdRangeMin), std::string("40"));
        platform::TypeIntoField(w, ui::kIdRangeMin, "-20");
        platform::ClickControl(w, ui::kIdRangeApply);
        int lo = 0, hi = 0;
        d->SliderRange(kSlider, &lo, &hi);
        QCOMPARE(lo, -20);
        QCOMPARE(hi, 40);
        QVERIFY(!w->IsOpen());
        platform::Dialog* again = ui::OpenSliderRange(d, kSlider);
        platform::ClickControl(again, ui::kIdRangeReset);
        d->SliderRange(kSlider, &lo, &hi);
        QCOMPARE(lo, 0);
        QCOMPARE(hi, 100);
        ui::StoredSliderRange(&lo, &hi);  // the stored pair stays
        QCOMPARE(lo, -20);
        platform::DestroyDialog(w);
        platform::DestroyDialog(again);
        platform::DestroyDialog(d);
    }

    void preferencesAreReadAndWrittenOnClose() {
        platform::Dialog* w = platform::CreateDialog(ui::PreferencesTemplate(), ui::PreferencesProc, nullptr);
        platform::TypeIntoField(w, ui::kIdDecimals, "7");
        QCOMPARE(prefs.decimals, 3);
        platform::TypeIntoField(w, ui::kIdGridDimension, "5000");
        QCOMPARE(prefs.grid_dimension, 1000);
        platform::ClickControl(w, ui::kIdPlatformFirst + 1);
        QCOMPARE(host_platform, 2);
        platform::ClickControl(w, ui::kIdResetValues);
        QCOMPARE(prefs.decimals, 2);
        QCOMPARE(host_platform, 1);
        const std::string cfg = config::ConfigFilePath();
        std::filesystem::remove(cfg);
        platform::ClickControl(w, platform::kIdOk);
        QVERIFY(std::filesystem::exists(cfg));
        QVERIFY(!w->IsOpen());
        platform::DestroyDialog(w);
    }

    void aRedWarningOpensTheMessageWindow() {
        // The main window's viewport needs a screen; its message window on its own does not.
        QLabel status;
        ui::MessageWindow messages(&status);
        QVERIFY(!messages.isVisible());
        BlueWarning("Simulation started");
        QCoreApplication::processEvents();
        QVERIFY(!messages.isVisible());
        QCOMPARE(status.text(), QString("Simulation started"));
        RedWarning("Something went wrong");
        QCoreApplication::processEvents();
        QVERIFY(messages.isVisible());
        QVERIFY(status.styleSheet().contains("#c81e1e"));
        const QString log = messages.Text();
        QVERIFY(log.contains(QRegularExpression(R"(^>\[\d{1,2}:\d{1,2}:\d{1,2}\]Simulation started$)",
                                                QRegularExpression::MultilineOption)));
        QVERIFY(log.contains("]Something went wrong"));
    }

    void everyCommandIsInTheMenusWithItsKeys() {
        ui::MainWindow window;
        int count = 0;
        const ui::CommandRow* rows = ui::Commands(&count);
        for (int i = 0; i < count; ++i) {
            QAction* a = window.Action(rows[i].key);
            QVERIFY2(a, rows[i].key);
            if (rows[i].when == ui::When::kNotBuilt) QVERIFY2(!a->isEnabled(), rows[i].key);
            if (rows[i].shortcut) QCOMPARE(a->shortcut(), QKeySequence(rows[i].shortcut));
        }
        // The digits of the keypad switch views too.
        QVERIFY(window.Action("view.front")->shortcuts().contains(QKeySequence(Qt::KeypadModifier | Qt::Key_1)));
        QVERIFY(!window.Action("edit.undo")->isEnabled());
        QVERIFY(window.Action("start")->isEnabled());
        QVERIFY(!window.Action("stop")->isEnabled());
        QCOMPARE(window.windowTitle(), QString("Undaline - [Untitled]"));
        // Commands that need a fluid or a selection say so in an empty scene.
        window.Action("start")->trigger();
        QCOMPARE(platform::LastMessageBoxText(), std::string("Please create or select a fluid before"));
        QVERIFY(!sim::Running());
        window.Action("file.exportpart")->trigger();
        QCOMPARE(platform::LastMessageBoxText(), std::string("Select a fluid before"));
    }

    void theSceneReportListsEveryElement() {
        ui::MainWindow window;
        QVERIFY(window.OpenWorkspace(uitest::Example("fountain.ulw")));
        QVERIFY(window.windowTitle().startsWith("Undaline - ["));
        QVERIFY(window.windowTitle().contains("fountain.ulw"));
        const QString report = ui::MainWindow::SceneInfo();
        const QRegularExpression fluid(R"(^FLUIDS:\r\n [1-9]\. .+-Dumb \[\d+ particles\] d=[ \d]{3}\d\.\d p=[ \d]*\d\.\d{3} v=[ \d]*\d\.\d{3}\r\n\r\n DAEMONS:\r\n)");
        QVERIFY2(fluid.match(report).hasMatch(), qPrintable(report));
        QVERIFY(report.contains(QRegularExpression(R"(DAEMONS:\r\n 1\. \S.*\r\n 2\. )")));
        QVERIFY(report.endsWith("\r\n OBJECTS:\r\n\r\n MESHES:\r\n"));

        // Closing with unsaved changes asks; Cancel keeps everything, No closes.
        window.SetModified(true);
        platform::QueueMessageBoxAnswer(platform::kAnswerCancel);
        QVERIFY(!window.close());
        QCOMPARE(platform::LastMessageBoxText(), std::string("Do you want to save your changes?"));
        QVERIFY(window.modified());
        QVERIFY(rootflow != nullptr);
        platform::QueueMessageBoxAnswer(platform::kAnswerNo);
        QVERIFY(window.close());
        QVERIFY(std::filesystem::exists(config::ConfigFilePath()));  // written on the way out
    }

    void displayModesApplyToTheSelectedElementOrTheWholeScene() {
        ui::MainWindow window;
        QVERIFY(window.OpenWorkspace(uitest::Example("falling_block.ulw")));
        QVERIFY(rootmesh != nullptr);
        selnodo = nullptr;
        platform::ClearMessageBoxes();
        window.Action("view.elemsmooth")->trigger();
        QCOMPARE(platform::LastMessageBoxText(), std::string("No element selected"));
        window.Action("view.scenesmooth")->trigger();
        QCOMPARE(int(rootmesh->display), int(kDisplaySmooth));
        selnodo = rootmesh;
        window.Action("view.elembox")->trigger();
        QCOMPARE(int(rootmesh->display), int(kDisplayBox));
        QVERIFY(window.modified());
        selnodo = nullptr;
    }

    void importSceneOptionsAreAModalWindowOfTheDialogLayer() {
        platform::SetModalRunner(ui::RunModalQtDialog);
        // The user picks "Replace current objects" and presses OK in the window itself.
        auto answer = [](bool* add_enabled) {
            QTimer::singleShot(0, [add_enabled] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->windowTitle() != "Import scene options" || !w->isVisible()) continue;
                    auto* d = dynamic_cast<ui::QtDialog*>(w);
                    *add_enabled = d->ControlWidget(kIdSceneAdd)->isEnabled();
                    QTest::mouseClick(d->ControlWidget(kIdSceneReplace), Qt::LeftButton);
                    QTest::mouseClick(d->ControlWidget(platform::kIdOk), Qt::LeftButton);
                }
            });
        };
        bool add_enabled = false;
        answer(&add_enabled);
        QCOMPARE(AskSceneImportOptions(false), int(kSceneReplace));
        QVERIFY(add_enabled);
        answer(&add_enabled);
        QCOMPARE(AskSceneImportOptions(true), int(kSceneReplace));
        QVERIFY(!add_enabled);
        platform::SetModalRunner(nullptr);
    }

    void theScreenPassKeepsTheNearestParticleOfEachPixel() {
        // A 10 x 10 window seeing x and y from -1 to 1 straight on, depth along z (identity
        // matrices): pixel (i, j) holds x from -1 + 0.2 i to -1 + 0.2 (i + 1).
        draw::Screen screen{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0, 0, 10, 10};
        draw::ParticleArrays a;
        const float points[][3] = {
            {-0.85f, -0.85f, 0.5f},   // 0: pixel (0, 0), behind 1
            {-0.87f, -0.83f, -0.2f},  // 1: pixel (0, 0), nearest
            {0.55f, 0.15f, 0.9f},     // 2: alone in its pixel
            {1.5f, 0.0f, 0.0f},       // 3: outside the view
            {0.0f, 0.0f, -1.5f},      // 4: in front of the near plane
            {-0.85f, -0.81f, -0.9f},  // 5: pixel (0, 0), nearest of all
            {0.6f, 0.0f, 0.0f},       // 6: exactly on a pixel's edge: always drawn
        };
        a.copy.count = 7;
        for (const auto& p : points) a.copy.xyz.insert(a.copy.xyz.end(), p, p + 3);
        draw::KeepNearestPerPixel(a, screen, 0);
        QCOMPARE(a.keep, (std::vector<int>{2, 5, 6}));
        // A fluid below the threshold is drawn whole, and the table is left clean for the next.
        draw::KeepNearestPerPixel(a, screen, 8);
        QCOMPARE(a.keep.size(), size_t{7});
        a.copy.count = 2;
        draw::KeepNearestPerPixel(a, screen, 0);
        QCOMPARE(a.keep, (std::vector<int>{1}));
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
