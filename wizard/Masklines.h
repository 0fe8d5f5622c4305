// The scan's figures per mask, as a disk-cleanup dialog shows one line per
// category: what each mask found and what the purge will remove of it.
#pragma once

#include <string>
#include <vector>

#include "Cleanuphandler.h"
#include "Runrecord.h"

struct TMaskLine {
    std::string Mask;
    cleanuphost::TTally Found;   // every file the mask matched
    cleanuphost::TTally Remove;  // of those, the ones the purge will remove
};

// One line per mask, in the masks' byte order (the order the handler
// searches and lists them in). A file several masks found ("*.~*, *.~dsk") is on
// the line of each of them: the lines may add up to more than the
// window's totals, which count every file once.
std::vector<TMaskLine> MaskLines(const std::vector<cleanuphost::TFileRecord>& files);
