// The run page: one recorded run as a person reads it, an HTML file beside
// the run's manifest (run.html). It tells the date, the volume, the mode
// (moved to the trash, or deleted for good) and where the files went, the
// totals (freed, removed, kept and failed, the last two by reason), and
// every file with its size and what became of it, in a table sorted by a
// click on a column (a small script inside the page: it works opened from
// disk, without a network). Written from the run's document alone, so that
// what the page says is what the record says.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace cleanuphost {

inline constexpr const char* kRunPageFile = "run.html";

// The page of a run document (a manifest, Runrecord.h); std::exception
// when the document lacks what it shows.
std::string RunPageHtml(const nlohmann::json& run);

// The run page of the run id (the wizard's "View Report" opens it); empty
// when the run has none (recorded before pages were written, or
// interrupted). std::runtime_error when there is no such run.
std::string RunPagePath(const std::string& id);

}  // namespace cleanuphost
