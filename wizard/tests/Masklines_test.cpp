// The per-mask lines of the wizard's step 2 from the handler's records.
#include "Masklines.h"

#include <gtest/gtest.h>

using cleanuphost::TFilePlan;
using cleanuphost::TFileRecord;

namespace {

TFileRecord File(const char* masks, std::int64_t size, TFilePlan plan = TFilePlan::Remove)
{
    TFileRecord record;
    record.Mask = masks;
    record.Size = size;
    record.Plan = plan;
    return record;
}

// "mask found/bytes remove/bytes" for each line.
std::vector<std::string> Shown(const std::vector<TMaskLine>& lines)
{
    std::vector<std::string> shown;
    for (const TMaskLine& l : lines)
        shown.push_back(l.Mask + " " + std::to_string(l.Found.Files) + "/" + std::to_string(l.Found.Bytes) + " " +
                        std::to_string(l.Remove.Files) + "/" + std::to_string(l.Remove.Bytes));
    return shown;
}

TEST(MaskLines, OneLinePerMaskWithWhatItFoundAndWhatGoes)
{
    const struct {
        const char* name;
        std::vector<TFileRecord> files;
        std::vector<std::string> lines;
    } cases[] = {
        {"no files, no lines", {}, {}},
        {"masks in their byte order, whatever order the files come in",
         {File("*.obj", 100), File("*.bak", 7), File("*.obj", 20), File("*.o*", 1)},
         {"*.bak 1/7 1/7", "*.o* 1/1 1/1", "*.obj 2/120 2/120"}},
        {"kept and unselected files are found but do not go",
         {File("*.obj", 100), File("*.obj", 20, TFilePlan::KeepHidden), File("*.obj", 3, TFilePlan::KeepReadOnly),
          File("*.obj", 4, TFilePlan::Unselected)},
         {"*.obj 4/127 1/100"}},
        {"a file two masks found is on both lines",
         {File("*.~*, *.~dsk", 50), File("*.~*", 5)},
         {"*.~* 2/55 2/55", "*.~dsk 1/50 1/50"}},
        {"blanks around the masks are not part of them",
         {File(" *.a ,*.b", 1), File("*.b", 2)},
         {"*.a 1/1 1/1", "*.b 2/3 2/3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shown(MaskLines(c.files)), c.lines) << c.name;
}

}  // namespace
