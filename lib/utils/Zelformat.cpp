// Zelformat: byte counts as a number and a unit for display.
#include "Zelformat.h"

namespace zelutils {

AnsiString ByteUnitAsString(TUnitSize unit)
{
    switch (unit) {
    case TUnitSize::usBytes: return "Bytes";
    case TUnitSize::usKB: return "KB";
    case TUnitSize::usMB: return "MB";
    case TUnitSize::usGB: return "GB";
    case TUnitSize::usTB: return "TB";
    }
    return AnsiString();
}

TUnitSize ByteMagnitude(std::int64_t bytes, TKiloDefinition kilo)
{
    const double divisor = static_cast<double>(kilo);
    double value = static_cast<double>(bytes);
    for (std::uint8_t unit = 0; unit <= static_cast<std::uint8_t>(TUnitSize::usTB); ++unit) {
        if (divisor > value)
            return static_cast<TUnitSize>(unit);
        value /= divisor;
    }
    return static_cast<TUnitSize>(0xFF);
}

double BytesToUnits(std::int64_t bytes, TUnitSize unit, TKiloDefinition kilo)
{
    const double divisor = static_cast<double>(kilo);
    double value = static_cast<double>(bytes);
    for (std::uint8_t i = 0; i < static_cast<std::uint8_t>(unit); ++i)
        value /= divisor;
    return value;
}

}  // namespace zelutils
