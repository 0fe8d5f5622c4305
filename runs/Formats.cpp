#include "Formats.h"

#include <cstdio>

#include "Zelformat.h"

namespace cleanuphost {

AnsiString Bytes(std::uint64_t bytes)
{
    using namespace zelutils;
    if (bytes < 1024)
        return Thousands(static_cast<std::int64_t>(bytes)) + (bytes == 1 ? " byte" : " bytes");
    const auto value = static_cast<std::int64_t>(bytes);
    TUnitSize unit = ByteMagnitude(value, TKiloDefinition::kdBinary);
    if (ByteUnitAsString(unit).empty())
        unit = TUnitSize::usTB;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", BytesToUnits(value, unit, TKiloDefinition::kdBinary),
                  ByteUnitAsString(unit).c_str());
    return text;
}

AnsiString Thousands(std::int64_t n)
{
    // The magnitude as unsigned: the most negative number has no positive twin.
    const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const AnsiString digits = std::to_string(magnitude);
    AnsiString out = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

AnsiString Count(std::int64_t files) { return Thousands(files) + (files == 1 ? " file" : " files"); }

AnsiString Folders(std::int64_t folders) { return Thousands(folders) + (folders == 1 ? " folder" : " folders"); }

}  // namespace cleanuphost
