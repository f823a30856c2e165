#pragma once

#include <cmath>
#include <cstdint>

namespace grivendale {

// Wherever a real number becomes a whole one (pointer positions, placements, text extents,
// font sizes, curve samples) halves go to the even neighbour: 2.5 gives 2, 3.5 gives 4.
inline std::int32_t roundHalfEven(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value)); // default rounding mode: to even
}

inline std::int32_t roundHalfEven(float value) {
    return static_cast<std::int32_t>(std::nearbyintf(value));
}

} // namespace grivendale
