// What makes a file the one a scan found: the identity a listing records
// with each entry, the file search keeps with each result, a handler hands
// to its host and a run records, and what is checked again, on the open
// handle, before the file is deleted or moved.
//
// Device and inode alone are not enough: a file system hands a freed inode
// to the next file it creates, so a file deleted and created anew in the
// same place can come back with the same pair. Its size and times tell it
// apart: the last write to the nanosecond and, where the file system
// records one, the birth time. On Windows device and inode are the volume
// serial number and the file ID.
#pragma once

#include <cstdint>

namespace twsplatform {

struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedNs = 0;  // since 1970-01-01 UTC
    std::int64_t BornNs = 0;      // since 1970-01-01 UTC; meaningful only when HasBirthTime
    bool HasBirthTime = false;
};

}  // namespace twsplatform
