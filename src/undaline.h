#pragma once

// The one header a plug-in, or any program using the library, needs.

#include "export.h"
#include "version.h"

#include "math/matrix.h"
#include "math/noise.h"
#include "math/random.h"
#include "math/vector.h"

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/workspace_file.h"
#include "platform/paths.h"
#include "platform/format.h"
#include "platform/clock.h"
#include "platform/ui_hooks.h"
#include "platform/monitor.h"
#include "platform/riff.h"
#include "platform/whole_file.h"
#include "platform/dynamic_library.h"

#include "scene/fields.h"
#include "scene/nodo.h"
#include "scene/node_panel.h"
#include "scene/axes.h"
#include "scene/preferences.h"
#include "scene/undo.h"
#include "scene/scene.h"
#include "scene/simulation_state.h"
#include "scene/envelope.h"
#include "scene/envelope_editor.h"
#include "scene/envelope_file.h"
#include "scene/anifloat.h"
#include "scene/soundwave.h"
#include "scene/audio_window.h"
#include "scene/scene_hooks.h"
#include "scene/descriptor.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"

#include "fluid/links.h"

#include "io/particle_files.h"

#include "plugins/loader.h"
#include "plugins/registry.h"
