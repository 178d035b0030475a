#pragma once

// Rectangles and points are shared by every layer.
#include "common/geometry.h"
