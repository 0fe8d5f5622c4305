// How the figures of a run read wherever they are shown (twscleanup's
// console, the run's page, the wizard's history): sizes as people read
// them, counts with thousands separators.
#pragma once

#include <cstdint>

#include "System.hpp"

namespace cleanuphost {

// "823 bytes", "1 byte", "1.50 MB": whole bytes below a kilobyte (there is
// no fraction of a byte to show), else two decimals in binary units.
AnsiString Bytes(std::uint64_t bytes);
// "210,000"
AnsiString Thousands(std::int64_t n);
// "1 file", "210,000 files"
AnsiString Count(std::int64_t files);
// "1 folder", "3 folders"
AnsiString Folders(std::int64_t folders);

}  // namespace cleanuphost
