#include "ui_fixture.h"

#include <QCoreApplication>
#include <QDir>

#include "fluid/driver.h"
#include "io/config.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "plugins/loader.h"
#include "scene/scene.h"
#include "scene/view_settings.h"

namespace uitest {

void FreshProgram() {
    static const QString scratch = QDir::tempPath() + "/undaline-ui-" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(scratch);
    platform::SetAppDir(scratch.toStdString());
    sim::ClearSimulation();
    ResetScene();
    ResetViewSettings();
    camera = Camera{};
    config::ResetConfiguration();
    platform::ResetMessages();
    platform::ClearMessageBoxes();
    SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
    ScanPlugins();
}

QString Example(const char* name) { return QString(UNDALINE_EXAMPLES_DIR) + "/" + name; }

}  // namespace uitest
