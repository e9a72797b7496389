// The live render configuration: written by the render device at start-up and by the settings.
#include "render/render.h"

DeviceSettings deviceSettings;
