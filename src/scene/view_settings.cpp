#include "scene/view_settings.h"

Camera camera;
ViewSettings view_settings;
ImageOutput image_output;

void ResetViewSettings() {
    camera = Camera{};
    view_settings = ViewSettings{};
    image_output = ImageOutput{};
}
