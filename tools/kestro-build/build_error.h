#pragma once

#include "common/error.h"

namespace kestro::builder {

// A screensaver the builder refuses to write, or an input it cannot use.
KESTRO_DECLARE_ERROR(EBuildError);
// A command line the builder does not understand.
KESTRO_DECLARE_ERROR(EUsageError);

}  // namespace kestro::builder
