// The span loops for the baseline processor: the colour look-up reads the table one pixel at a
// time, so nothing here needs more than the processor's baseline instructions.
#include "render/SpanKernels.h"

#define QV_HAVE_SHUFFLE 0
#define QV_LOOKUP_TARGET

namespace span_base {
#include "render/SpanKernels.inc"
} // namespace span_base
