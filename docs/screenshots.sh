#!/usr/bin/env bash
# Regenerates the pictures of the guides (docs/images/*.png) on a virtual screen: the main
# window with the fountain loaded, the fountain in the middle of its run, an imported object,
# the fluid panel and its dialogs, the scene tree, the mesh panel, the customise dialog, the
# plug-ins manager, the envelope editor with a sound behind its curve, picking, an array of
# daemons and a captured frame.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
./undaline build >/dev/null
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1600x1000x24" \
    build/release/tests/ui/ui_screenshots docs/images
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1600x1000x24" \
    build/release/tests/ui/ui_tool_screenshots docs/images
