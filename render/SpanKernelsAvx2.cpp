// The span loops again, for processors with AVX2: the same source in wider vector registers.
#include "render/SpanKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QV_AVX2_BUILT 1
#define QV_HAVE_SHUFFLE 1
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif
#else
#define QV_AVX2_BUILT 0
#define QV_HAVE_SHUFFLE 0
#endif
#define QV_LOOKUP_TARGET

namespace span_avx2 {
#include "render/SpanKernels.inc"
bool Built() {
    return QV_AVX2_BUILT;
}
} // namespace span_avx2

#if (defined(__x86_64__) || defined(__i386__)) && defined(__clang__)
#pragma clang attribute pop
#endif
