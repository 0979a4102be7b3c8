// The span loops for the baseline processor (the colour look-up uses SSSE3 when present).
#include "render/SpanKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QV_HAVE_SHUFFLE 1
#define QV_LOOKUP_TARGET __attribute__((target("ssse3")))
#else
#define QV_HAVE_SHUFFLE 0
#define QV_LOOKUP_TARGET
#endif

namespace span_base {
#include "render/SpanKernels.inc"
} // namespace span_base
