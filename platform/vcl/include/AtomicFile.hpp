// Durable whole-file writes, shared by the INI file class and anything else
// that rewrites small files in place.
#pragma once

#include "System.hpp"

namespace vcl {
// Replaces the file with the given bytes so that a crash at any moment
// leaves either the old or the new file: a temporary file in the same folder
// is written, flushed to disk and renamed over the old one, keeping its
// permissions. Raises Exception naming the file when that fails.
void AtomicReplaceFile(const AnsiString& fileName, const AnsiString& contents);

// The whole file as bytes; false when it does not exist. Raises Exception
// naming the file when it exists but cannot be read.
bool ReadWholeFile(const AnsiString& fileName, AnsiString& contents);
}  // namespace vcl
