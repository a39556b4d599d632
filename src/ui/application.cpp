#include "ui/application.h"

#include <QApplication>
#include <QColorDialog>
#include <QPushButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QSurfaceFormat>
#include <QThread>

#include <cstdlib>
#include <cstring>

#include "io/config.h"
#include "objects/object_files.h"
#include "objects/scene_import.h"
#include "platform/file_dialog.h"
#include "platform/modal.h"
#include "platform/ui_hooks.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/ui_hooks.h"
#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/audio_window.h"
#include "scene/descriptor.h"
#include "scene/anifloat.h"
#include "ui/envelope_window.h"
#include "ui/main_window.h"
#include "ui/message_window.h"
#include "ui/preferences_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/viewport.h"

namespace ui {
namespace {

int ShowMessageBox(const char* text, const char* title, int icon, int buttons) {
    QMessageBox box(TheMainWindow());
    box.setWindowTitle(QString::fromLocal8Bit(title ? title : "Undaline"));
    box.setText(QString::fromLocal8Bit(text ? text : ""));
    switch (icon) {
        case platform::kIconInformation: box.setIcon(QMessageBox::Information); break;
        case platform::kIconError: box.setIcon(QMessageBox::Critical); break;
        case platform::kIconQuestion: box.setIcon(QMessageBox::Question); break;
        case platform::kIconExclamation: box.setIcon(QMessageBox::Warning); break;
        default: break;
    }
    switch (buttons) {
        case platform::kButtonsOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case platform::kButtonsYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case platform::kButtonsYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return platform::kAnswerYes;
        case QMessageBox::No: return platform::kAnswerNo;
        case QMessageBox::Cancel: return platform::kAnswerCancel;
        default: return buttons == platform::kButtonsYesNoCancel ? platform::kAnswerCancel : platform::kAnswerOk;
    }
}

// Message boxes belong to the interface thread; the simulation thread waits for the answer.
int MessageBoxOnInterface(const char* text, const char* title, int icon, int buttons) {
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) return ShowMessageBox(text, title, icon, buttons);
    int answer = platform::kAnswerCancel;
    QMetaObject::invokeMethod(
        app, [&] { answer = ShowMessageBox(text, title, icon, buttons); }, Qt::BlockingQueuedConnection);
    return answer;
}

bool ChooseWave(char* path, int size) {
    const QString p = QFileDialog::getOpenFileName(TheMainWindow(), "Load audio WAV file", QString(),
                                                   "WAV files (*.wav);;All files (*)");
    if (p.isEmpty()) return false;
    platform::CopyText(path, size, p.toLocal8Bit().constData());
    return true;
}

int ChooseColour(int current) {
    const QColor c = QColorDialog::getColor(QColor((current >> 16) & 0xFF, (current >> 8) & 0xFF, current & 0xFF),
                                            TheMainWindow(), "Background color");
    return c.isValid() ? (c.red() << 16 | c.green() << 8 | c.blue()) : -1;
}

std::string ChooseFolder(const char* title, const char* directory) {
    return QFileDialog::getExistingDirectory(TheMainWindow(), QString::fromLocal8Bit(title),
                                             QString::fromLocal8Bit(directory))
        .toLocal8Bit()
        .toStdString();
}

// Filters come as "Label (*.ext)|*.ext|Label 2 (*.a *.b)|*.a;*.b|": the labels are Qt's.
std::string ChooseFile(const char* title, const char* filter, const char* directory) {
    const QStringList parts = QString::fromLocal8Bit(filter).split('|');
    QStringList labels;
    for (int i = 0; i + 1 < parts.size(); i += 2) labels << parts[i];
    labels << "All files (*)";
    return QFileDialog::getOpenFileName(TheMainWindow(), QString::fromLocal8Bit(title), QString::fromLocal8Bit(directory),
                                        labels.join(";;"))
        .toLocal8Bit()
        .toStdString();
}

void ShowWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void ScanPluginClasses() {
    SetPluginsDirectory(ResolvePluginsDirectory(plugins_dir));
    ScanPlugins();
    bool daemons = false, emitters = false;
    for (int i = 0; i < PluginLibraryCount(); ++i) {
        for (const PluginClass& c : PluginLibraryAt(i)->classes) {
            daemons = daemons || c.kind == kClassDaemon;
            emitters = emitters || c.kind == kClassEmitter;
        }
    }
    if (!daemons) RedWarning("No daemons found. Use Plugins Manager to find them");
    if (!emitters) RedWarning("No emitters found. Use Plugins Manager to find them");
}

// "Label|*.a;*.b|Label|*.c|" as Qt's "Label (*.a *.A *.b *.B);;Label (*.c *.C)".
QString QtFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter ? filter : "").split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const int bracket = label.indexOf(" (");
        if (bracket >= 0) label.truncate(bracket);
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) patterns << p << p.toUpper();
        patterns.removeDuplicates();
        out << label + " (" + patterns.join(' ') + ")";
    }
    out << "All files (*)";
    return out.join(";;");
}

std::string ChooseFileToOpen(const char* title, const char* filter, const char* directory) {
    const QString p = QFileDialog::getOpenFileName(TheMainWindow(), QString::fromUtf8(title),
                                                   QString::fromLocal8Bit(directory ? directory : ""), QtFilter(filter));
    return p.toLocal8Bit().toStdString();
}

int AskForMissingFile(const char* text) {
    QMessageBox box(TheMainWindow());
    box.setWindowTitle("File not found");
    box.setIcon(QMessageBox::Warning);
    box.setText(QString::fromLocal8Bit(text));
    box.addButton("Skip", QMessageBox::RejectRole);
    QPushButton* choose = box.addButton("Choose another file...", QMessageBox::AcceptRole);
    box.exec();
    return box.clickedButton() == choose ? kFileChooseAnother : kFileSkip;
}

}  // namespace

void InstallInterfaceHooks() {
    platform::SetMessageBoxHandler(MessageBoxOnInterface);
    platform::SetOpenFileHandler(ChooseFileToOpen);
    platform::SetModalRunner(RunModalQtDialog);
    platform::SetSceneChangedHook([] {
        if (MainWindow* w = TheMainWindow()) w->SetModified(true);
    });
    SetFileNotFoundHandler(AskForMissingFile);
    SetNewWorkspaceHandler([] { return TheMainWindow() && TheMainWindow()->NewWorkspaceAsked(); });
    SetPlatformShownHook([](int) { RefreshPreferences(); });
    SetEnvelopeEditor(RunEnvelopeEditor);
    SetWaveFileChooser(ChooseWave);
    SetColourChooser(ChooseColour);
    platform::SetOpenFileHandler(ChooseFile);
    platform::SetOpenFolderHandler(ChooseFolder);
    platform::SetWaitCursorHook(ShowWaitCursor);
}

void CloseInterfaceWindows() {
    for (int i = 0; i <= RegistryLastIndex(); ++i) DestroyParamWindow(RegisteredClass(i));
    platform::SetDialogFactory(nullptr);
    platform::SetMessageBoxHandler(nullptr);
    platform::SetOpenFileHandler(nullptr);
    platform::SetModalRunner(nullptr);
    platform::SetSceneChangedHook(nullptr);
    SetFileNotFoundHandler(nullptr);
    SetPlatformShownHook(nullptr);
    platform::SetOpenFolderHandler(nullptr);
    platform::SetWaitCursorHook(nullptr);
    SetEnvelopeEditor(nullptr);
}

QString LayoutFilePath() {
    return QFileInfo(QString::fromLocal8Bit(config::ConfigFilePath().c_str())).absolutePath() +
           "/undaline-layout.ini";
}

void UseViewportGlFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);
}

int RunDesktop(int& argc, char** argv, const QString& workspace) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("undaline: no display to open the window on (DISPLAY is not set); "
                   "use --batch WORKSPACE to run a scene without a window\n",
                   stderr);
        return 1;
    }
    UseViewportGlFormat();
    QApplication app(argc, argv);
    QApplication::setApplicationName("undaline");
    QApplication::setDesktopFileName("undaline");
    QApplication::setWindowIcon(QIcon(":/undaline.svg"));

    // Start-up in order: the main window (whose dialogs are numeric from the start), the
    // configuration, the plug-ins, the workspace named on the command line.
    auto* window = new MainWindow;
    InstallQtDialogs(window);
    InstallInterfaceHooks();

    config::ResetConfiguration();
    const std::string cfg = config::ConfigFilePath();
    switch (config::ReadConfigFile(cfg.c_str())) {
        case config::kConfigMissing:
            BlueWarning(" No configuration file yet: the default preferences are used");
            break;
        case config::kConfigBroken:
            RedWarning(platform::Format(" The configuration file %s is not readable: the default preferences are used",
                                        cfg.c_str()).c_str());
            break;
        default: break;
    }
    config::ApplyConfiguration();
    window->RebuildRecentMenu();
    ScanPluginClasses();
    window->panels()->FillButtons();

    QSettings layout(LayoutFilePath(), QSettings::IniFormat);
    window->restoreGeometry(layout.value("geometry").toByteArray());
    window->restoreState(layout.value("state").toByteArray());
    window->show();
    if (!workspace.isEmpty()) window->OpenWorkspace(workspace);
    platform::LogLine(" Undaline Initialized");

    const int status = app.exec();
    delete window;
    CloseInterfaceWindows();
    return status;
}

}  // namespace ui
