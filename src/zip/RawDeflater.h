#pragma once
// One zlib raw-Deflate stream (no zlib or gzip wrapper, 32 KiB window), made once and reset per
// use.
#include <zlib.h>

namespace pv {

class RawDeflater {
public:
    // Check ok() before use: initialisation fails only when memory runs out.
    explicit RawDeflater(int level);
    ~RawDeflater();
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    bool ok() const { return ok_; }
    int level() const { return level_; }
    z_stream& stream() { return z_; }

private:
    z_stream z_{};
    int level_;
    bool ok_ = false;
};

} // namespace pv
