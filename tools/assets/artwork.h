// The pictures the game carries, drawn in code so that they can be made again byte for byte.
#pragma once

#include "bmp.h"

Image DrawIcon();
