#include "media/MovieTables.h"

#include "media/MovieTableData.h"

#include <bit>

namespace movie {

namespace {
static_assert(sizeof(tables::VlcCode) == sizeof(MovieVlc));
template <size_t N> std::span<const MovieVlc> View(const tables::VlcCode (&t)[N]) {
    return {reinterpret_cast<const MovieVlc*>(t), N};
}
MovieVlc Of(const tables::VlcCode& c) {
    return {c.bits, c.length, c.run, c.level};
}
} // namespace

std::span<const MovieVlc> MovieDcSizeCodes(bool chroma) {
    return chroma ? View(tables::kGenDcSizeChroma) : View(tables::kGenDcSizeLuma);
}
std::span<const MovieVlc> MovieCoeffCodes() {
    return View(tables::kGenCoeff);
}
MovieVlc MovieEndOfBlockCode() {
    return Of(tables::kGenEob);
}
MovieVlc MovieEscapeCode() {
    return Of(tables::kGenEscape);
}
const uint8_t* MovieIntraMatrix() {
    return tables::kGenIntraMatrix;
}
const uint8_t* MovieZigzag() {
    return tables::kGenZigzag;
}

} // namespace movie
