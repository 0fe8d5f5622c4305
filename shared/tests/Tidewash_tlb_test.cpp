#include "Tidewash_tlb.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace {

// The flat record a handler hands across COM carries every part of the
// identity, unchanged, both ways; the birth time's flag is a VARIANT_BOOL.
TEST(FileResultIdentity, CrossesTheFlatRecordUnchanged)
{
    const twsplatform::TFileIdentity cases[] = {
        {1, 2, 3, 4, 5, true},
        {~0ull, ~0ull - 1, INT64_MAX, -1, INT64_MIN, true},
        {7, 8, 0, 9, 0, false},
    };
    for (const auto& id : cases) {
        TWS_FILE_RESULT r{};
        TwsSetFileIdentity(r, id);
        EXPECT_EQ(r.Size, id.Size);
        EXPECT_EQ(r.HasBirthTime, id.HasBirthTime ? VARIANT_TRUE : VARIANT_FALSE);
        const twsplatform::TFileIdentity back = TwsFileIdentity(r);
        EXPECT_EQ(back.Device, id.Device);
        EXPECT_EQ(back.Inode, id.Inode);
        EXPECT_EQ(back.Size, id.Size);
        EXPECT_EQ(back.ModifiedNs, id.ModifiedNs);
        EXPECT_EQ(back.BornNs, id.BornNs);
        EXPECT_EQ(back.HasBirthTime, id.HasBirthTime);
    }
}

}  // namespace
