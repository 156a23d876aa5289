#include "zip/RawDeflater.h"

namespace pv {

namespace {
constexpr int kRawWindowBits = -15; // negative: raw Deflate with a 32 KiB window
constexpr int kMemLevel = 8;
} // namespace

RawDeflater::RawDeflater(int level) : level_(level) {
    ok_ =
        deflateInit2(&z_, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) == Z_OK;
}

RawDeflater::~RawDeflater() {
    if (ok_) {
        deflateEnd(&z_);
    }
}

} // namespace pv
