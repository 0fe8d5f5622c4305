// What makes a file the one a scan found.
//
// Device and inode alone are not enough: a file system hands a freed inode
// to the next file it creates, so a file deleted and created anew in the
// same place can come back with the same pair. Its size and times tell it
// apart: the last write to the nanosecond and, where the file system
// records one, the birth time.
#pragma once

#include <cstdint>

#include "System.hpp"

namespace twsplatform {

struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedNs = 0;  // since 1970-01-01 UTC
    std::int64_t BornNs = 0;      // since 1970-01-01 UTC; meaningful only when HasBirthTime
    bool HasBirthTime = false;
};

// The identity recorded with a folder's entry: by the listing, or by the
// file search that copies it into its results.
template <class Entry>
TFileIdentity IdentityOf(const Entry& entry)
{
    return {entry.Device, entry.Inode, entry.Size, entry.ModifiedNs, entry.BornNs, entry.HasBirthTime};
}

// The identity of an existing path, not following a final link; false when
// it cannot be read.
bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity);

}  // namespace twsplatform
