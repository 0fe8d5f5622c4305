// Zelformat: byte counts as a number and a unit for display.
//   TUnitSize, TKiloDefinition
//   ByteUnitAsString, ByteMagnitude, BytesToUnits
//
// Display: ByteMagnitude picks the unit, BytesToUnits converts the count to
// it, and the caller prints the number with two decimals, a blank and the
// unit's text ("12.50 MB").
#pragma once

#include <cstdint>

#include "System.hpp"

namespace zelutils {

// Units, one byte wide. ByteMagnitude answers the byte 0xFF for counts too
// large for any of them.
enum class TUnitSize : std::uint8_t { usBytes = 0, usKB = 1, usMB = 2, usGB = 3, usTB = 4 };

// How many of a unit make the next larger one; the value is the divisor.
enum class TKiloDefinition : std::uint16_t { kdDecimal = 1000, kdBinary = 1024 };

// "Bytes", "KB", "MB", "GB", "TB"; the empty string for any other value.
AnsiString ByteUnitAsString(TUnitSize unit);

// The largest unit in which the count is at least 1: usBytes for counts
// below one kilo, negative ones included; the byte 0xFF for counts of a
// kilo to the fifth power and more.
TUnitSize ByteMagnitude(std::int64_t bytes, TKiloDefinition kilo);

// The count expressed in unit, unrounded.
double BytesToUnits(std::int64_t bytes, TUnitSize unit, TKiloDefinition kilo);

}  // namespace zelutils
