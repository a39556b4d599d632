#include "ui/commands.h"

#include "ui/main_window.h"

namespace ui {
namespace {

using M = MainWindow;
constexpr Menu F = Menu::kFile, E = Menu::kEdit, V = Menu::kView, S = Menu::kSimulation, T = Menu::kTools,
               H = Menu::kHelp;
constexpr When A = When::kAlways, X = When::kNotBuilt;

// clang-format off
const CommandRow kCommands[] = {
    // key                 text                                  menu sub                    keys          keys2     when                  handler                  check  sep    toolbar      tip
    {"file.new",           "&New workspace",                     F, nullptr,                 "Ctrl+N",     nullptr,  When::kIdle,          &M::NewWorkspaceCmd,     false, false, nullptr,     "Remove everything and start an empty scene"},
    {"file.open",          "&Open workspace...",                 F, nullptr,                 "Ctrl+O",     nullptr,  When::kIdle,          &M::OpenCmd,             false, false, "Open",      "Open a workspace file (.ulw)"},
    {"file.save",          "&Save workspace",                    F, nullptr,                 "Ctrl+Shift+S", nullptr, A,                   &M::SaveCmd,             false, false, "Save",      "Save the scene to its workspace file"},
    {"file.saveas",        "Save &as...",                        F, nullptr,                 nullptr,      nullptr,  A,                    &M::SaveAsCmd,           false, false, nullptr,     nullptr},
    {"file.revert",        "&Revert",                            F, nullptr,                 nullptr,      nullptr,  When::kNamedWorkspace, &M::RevertCmd,          false, false, nullptr,     "Load the workspace file again"},
    {"file.importscene",   "&Import scene...",                   F, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::ImportSceneCmd,      false, true,  nullptr,     "Add the objects of a scene file (.lws, .sd, .ase, .3ds)"},
    {"file.importpart",    "Import particles...",                F, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::ImportParticlesCmd,  false, false, nullptr,     nullptr},
    {"file.exportpart",    "Export particles...",                F, nullptr,                 nullptr,      nullptr,  A,                    &M::ExportParticlesCmd,  false, false, nullptr,     nullptr},
    {"file.sdlock",        "Lock/Unlock SD file",                F, "Animated scene SD",     nullptr,      nullptr,  When::kIdle,          &M::SdLockCmd,           false, false, nullptr,     nullptr},
    {"file.sddelete",      "Delete",                             F, "Animated scene SD",     nullptr,      nullptr,  When::kIdle,          &M::SdDeleteCmd,         false, false, nullptr,     nullptr},
    {"file.prefs",         "&Preferences...",                    F, nullptr,                 nullptr,      nullptr,  A,                    &M::PreferencesCmd,      false, true,  nullptr,     nullptr},
    {"file.exit",          "E&xit",                              F, nullptr,                 "Ctrl+Q",     nullptr,  A,                    &M::ExitCmd,             false, true,  nullptr,     nullptr},

    {"edit.undo",          "&Undo",                              E, nullptr,                 "Ctrl+Z",     nullptr,  When::kCanUndo,       &M::UndoCmd,             false, false, nullptr,     nullptr},
    {"edit.redo",          "&Redo",                              E, nullptr,                 "Ctrl+Y",     nullptr,  When::kCanRedo,       &M::RedoCmd,             false, false, nullptr,     nullptr},
    {"edit.move",          "&Move element",                      E, nullptr,                 "M",          nullptr,  A,                    &M::MoveToolCmd,         true,  true,  "Move",      "Drag the selected element on the working plane (M)"},
    {"edit.rotate",        "R&otate element",                    E, nullptr,                 "R",          nullptr,  A,                    &M::RotateToolCmd,       true,  false, "Rotate",    "Drag up and down to turn the selected element (R)"},
    {"edit.scale",         "&Scale element",                     E, nullptr,                 "S",          nullptr,  A,                    &M::ScaleToolCmd,        true,  false, "Scale",     "Drag up and down to size the selected element (S)"},
    {"edit.select",        "Se&lect element",                    E, nullptr,                 "Ctrl+S",     nullptr,  A,                    &M::SelectToolCmd,       true,  false, "Select",    "Click an element to select it; clicks cycle through overlapping ones (Ctrl+S)"},
    {"edit.particles",     "Select &particles",                  E, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::SelectParticlesCmd,  true,  false, nullptr,     "Drag a rectangle over particles to remove them"},
    {"edit.clone",         "&Clone selected",                    E, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::CloneCmd,            false, false, nullptr,     "Copy the selected fluid or daemon (or Shift+drag it)"},

    {"view.elembox",        "Bounding box",                         V, "Element display mode",    nullptr,      nullptr,  A,                    &M::ElementBoxCmd,       false, false, nullptr,     nullptr},
    {"view.elemwire",       "Wireframe",                            V, "Element display mode",    nullptr,      nullptr,  A,                    &M::ElementWireCmd,      false, false, nullptr,     nullptr},
    {"view.elemflat",       "Flat shaded",                          V, "Element display mode",    nullptr,      nullptr,  A,                    &M::ElementFlatCmd,      false, false, nullptr,     nullptr},
    {"view.elemsmooth",     "Smooth shaded",                        V, "Element display mode",    nullptr,      nullptr,  A,                    &M::ElementSmoothCmd,    false, false, nullptr,     nullptr},
    {"view.scenebox",       "Bounding box",                         V, "Scene display mode",      nullptr,      nullptr,  A,                    &M::SceneBoxCmd,         false, false, nullptr,     nullptr},
    {"view.scenewire",      "Wireframe",                            V, "Scene display mode",      nullptr,      nullptr,  A,                    &M::SceneWireCmd,        false, false, nullptr,     nullptr},
    {"view.sceneflat",      "Flat shaded",                          V, "Scene display mode",      nullptr,      nullptr,  A,                    &M::SceneFlatCmd,        false, false, nullptr,     nullptr},
    {"view.scenesmooth",    "Smooth shaded",                        V, "Scene display mode",      nullptr,      nullptr,  A,                    &M::SceneSmoothCmd,      false, false, nullptr,     nullptr},
    {"view.camrotate",     "&Camera rotate",                     V, nullptr,                 "C",          nullptr,  A,                    &M::CameraRotateCmd,     true,  true,  "Orbit",     "Drag to orbit the camera (C)"},
    {"view.campan",        "Camera &pan",                        V, nullptr,                 "P",          nullptr,  A,                    &M::CameraPanCmd,        true,  false, "Pan",       "Drag to pan the camera (P)"},
    {"view.front",         "&Front view",                        V, nullptr,                 "1",          "Num+1",  A,                    &M::FrontViewCmd,        true,  true,  nullptr,     nullptr},
    {"view.top",           "&Top view",                          V, nullptr,                 "2",          "Num+2",  A,                    &M::TopViewCmd,          true,  false, nullptr,     nullptr},
    {"view.side",          "&Side view",                         V, nullptr,                 "3",          "Num+3",  A,                    &M::SideViewCmd,         true,  false, nullptr,     nullptr},
    {"view.perspective",   "P&erspective view",                  V, nullptr,                 "4",          "Num+4",  A,                    &M::PerspectiveViewCmd,  true,  false, nullptr,     nullptr},
    {"view.panoramic",     "Pan&oramic view",                    V, nullptr,                 "Ctrl+V",     nullptr,  A,                    &M::PanoramicCmd,        true,  true,  nullptr,     nullptr},
    {"view.fullscreen",    "F&ull screen view",                  V, nullptr,                 "Ctrl+F",     nullptr,  A,                    &M::FullScreenCmd,       true,  false, nullptr,     nullptr},
    {"view.reset",         "&Reset view",                        V, nullptr,                 nullptr,      nullptr,  A,                    &M::ResetViewCmd,        false, true,  nullptr,     nullptr},
    {"view.center",        "Center view on element",             V, nullptr,                 nullptr,      nullptr,  A,                    &M::CenterViewCmd,       false, false, nullptr,     nullptr},
    {"view.firstperson",   "First person view",                  V, nullptr,                 nullptr,      nullptr,  A,                    &M::FirstPersonCmd,      true,  false, nullptr,     nullptr},
    {"view.axes",          "View axes",                          V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleAxesCmd,       true,  true,  nullptr,     nullptr},
    {"view.daemons",       "View daemons",                       V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleDaemonsCmd,    true,  false, nullptr,     nullptr},
    {"view.emitters",      "View emitters",                      V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleEmittersCmd,   true,  false, nullptr,     nullptr},
    {"view.info",          "View info",                          V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleInfoCmd,       true,  false, nullptr,     nullptr},
    {"view.grid",          "View grid",                          V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleGridCmd,       true,  false, nullptr,     nullptr},
    {"view.motion",        "View particle motion",               V, "Show",                  nullptr,      nullptr,  A,                    &M::ToggleMotionCmd,     true,  false, nullptr,     nullptr},
    {"view.messages",      "View &messages",                     V, nullptr,                 "Alt+M",      nullptr,  A,                    &M::ViewMessagesCmd,     false, true,  nullptr,     nullptr},
    {"view.zoomregion",    "&Zoom region",                       V, nullptr,                 "Ctrl+R",     nullptr,  A,                    &M::ZoomRegionCmd,       false, false, nullptr,     nullptr},
    {"view.fast",          "F&ast view",                         V, nullptr,                 "F",          nullptr,  A,                    &M::FastViewCmd,         true,  false, nullptr,     nullptr},
    {"view.memo",          "Edit m&emo...",                      V, nullptr,                 "Ctrl+M",     nullptr,  A,                    &M::MemoCmd,             false, true,  nullptr,     nullptr},
    {"view.info.report",   "Scene &info...",                     V, nullptr,                 "Ctrl+I",     nullptr,  A,                    &M::SceneInfoCmd,        false, false, nullptr,     nullptr},
    {"view.lock",          "&Lock selection",                    V, nullptr,                 "Space",      nullptr,  A,                    &M::LockSelectionCmd,    true,  false, nullptr,     "Clicks in the viewport keep the selected element"},

    {"start",              "&Start simulation",                  S, nullptr,                 "A",          nullptr,  When::kIdle,          &M::StartFullCmd,        false, false, "Start",     "Start the simulation (A)"},
    {"start.particles",    "Start simulation (only &particles)", S, nullptr,                 "B",          nullptr,  When::kIdle,          &M::StartParticlesCmd,   false, false, "Particles", "Move the particles only; time and frames stand still (B)"},
    {"stop",               "S&top simulation",                   S, nullptr,                 "Esc",        nullptr,  When::kRunning,       &M::StopCmd,             false, false, "Stop",      "Stop after the current step (Esc)"},
    {"reset",              "&Reset simulation",                  S, nullptr,                 "E",          nullptr,  A,                    &M::ResetSimulationCmd,  false, false, "Reset",     "Back to frame 0 (E)"},
    {"display",            "&Display",                           S, nullptr,                 "D",          nullptr,  A,                    &M::DisplayCmd,          true,  true,  nullptr,     "Switch the viewport on or off (D)"},
    {"advanced",           "&Advanced controls...",              S, nullptr,                 nullptr,      nullptr,  A,                    &M::AdvancedCmd,         false, false, nullptr,     nullptr},
    {"sim.images",         "Save &images...",                    S, nullptr,                 nullptr,      nullptr,  A,                    &M::SaveImagesCmd,       true,  false, nullptr,     "Capture the viewport at every frame as Targa or JPEG files or an AVI movie"},

    {"tools.plugins",      "&Plugins Manager",                   T, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::PluginsManagerCmd,   false, false, nullptr,     "The plug-in libraries, their classes, and loading them again"},
    {"tools.tree",         "&Scene tree...",                     T, nullptr,                 nullptr,      nullptr,  A,                    &M::SceneTreeCmd,        false, false, nullptr,     "What acts on each fluid: its daemons, objects and fluids"},
    {"tools.array",        "&Fluid array...",                    T, nullptr,                 nullptr,      nullptr,  When::kIdle,          &M::ArrayCmd,            false, false, nullptr,     "Copies of the selected fluid or daemon in a rectangular or circular array"},

    {"help.contents",      "&Help contents (local)",             H, nullptr,                 "F1",         nullptr,  A,                    &M::HelpContentsCmd,     false, false, nullptr,     nullptr},
    {"help.relnotes",      "&Release notes",                     H, nullptr,                 nullptr,      nullptr,  A,                    &M::ReleaseNotesCmd,     false, false, nullptr,     nullptr},
    {"help.keys",          "&Key shortcuts",                     H, nullptr,                 nullptr,      nullptr,  A,                    &M::KeysCmd,             false, false, nullptr,     nullptr},
    {"help.mode",          "Help &mode",                         H, nullptr,                 nullptr,      nullptr,  X,                    nullptr,                 false, false, nullptr,     nullptr},
    {"help.about",         "&About Undaline",                    H, nullptr,                 nullptr,      nullptr,  A,                    &M::AboutCmd,            false, true,  nullptr,     nullptr},
};
// clang-format on

}  // namespace

const CommandRow* Commands(int* count) {
    *count = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);
    return kCommands;
}

}  // namespace ui
