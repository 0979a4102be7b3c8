// The span loops for processors with SSSE3: the baseline loops with the colour look-up in byte
// shuffles. Only the look-up is built for SSSE3, so the rest stays baseline code.
#include "render/SpanKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QV_SSSE3_BUILT 1
#define QV_HAVE_SHUFFLE 1
#define QV_LOOKUP_TARGET __attribute__((target("ssse3")))
#else
#define QV_SSSE3_BUILT 0
#define QV_HAVE_SHUFFLE 0
#define QV_LOOKUP_TARGET
#endif

namespace span_ssse3 {
#include "render/SpanKernels.inc"
bool Built() {
    return QV_SSSE3_BUILT;
}
} // namespace span_ssse3
