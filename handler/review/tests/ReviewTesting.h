// What the review window's tests share: an offscreen application and
// hand-made scan results.
#pragma once

#include <cstdint>
#include <string>

#include "Resultmodel.h"
#include "Zelfilesearch.h"

namespace reviewtest {

// The widget application, offscreen, made once per test program (Qt
// builds only: ReviewTesting_qt.cpp).
void EnsureOffscreenApplication();

// Adds a found file to the results of mask: path ending in '/', name, size
// and the days (since 1899-12-30) of creation and last write.
void AddResult(zelutils::TFileSearch& search, const std::string& mask, const std::string& path,
               const std::string& name, std::int64_t size, double created = 45000.0, double modified = 45000.0);

// Every result of search marked for deletion, as after a scan.
tidewash::TFileFlags SelectAll(const zelutils::TFileSearch& search);

}  // namespace reviewtest
