#pragma once

namespace platform {

// A hint for walks over many small records spread over memory: fetch the
// line at `address` while the current record is worked on.
inline void prefetchLine([[maybe_unused]] const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#endif
}

} // namespace platform
