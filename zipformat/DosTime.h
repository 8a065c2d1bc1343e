#pragma once
// MS-DOS date and time (local time, two-second steps, 1980 to 2107), the resolution of the
// times stored in ZIP entries. Times are compared at this resolution so that a file stored
// once does not look newer than its entry for ever.
#include <cstdint>
#include <ctime>

namespace zipformat {

// The date in the high 16 bits, the time in the low 16 bits; clamped to the DOS range.
std::uint32_t toDosTime(std::time_t t);
std::time_t fromDosTime(std::uint32_t dos);

} // namespace zipformat
