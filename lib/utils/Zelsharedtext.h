// Zelsharedtext: an immutable text that copies share.
//   TSharedText
//
// A scan keeps one record per file found, and every file of a folder names
// the same folder: a copy of the folder's path in each record cost more
// than the rest of the record. The records of one folder hold one
// TSharedText instead, a pointer wide.
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>

#include "System.hpp"

namespace zelutils {

// A text made once and never changed; a copy is a pointer to the same text,
// counted, and the last copy gone frees it. Copies may be made and dropped
// on several threads at once.
class TSharedText {
public:
    // The empty text (no allocation).
    TSharedText() noexcept = default;
    explicit TSharedText(std::string_view text);
    TSharedText(const TSharedText& other) noexcept;
    TSharedText(TSharedText&& other) noexcept;
    TSharedText& operator=(const TSharedText& other) noexcept;
    TSharedText& operator=(TSharedText&& other) noexcept;
    ~TSharedText();

    // The text; the empty string for a default or moved-from one.
    const AnsiString& Text() const noexcept;
    // Whether both name one made text (two defaults do).
    bool Shares(const TSharedText& other) const noexcept { return FBlock == other.FBlock; }

    // The same text, shared or not.
    friend bool operator==(const TSharedText& a, const TSharedText& b) noexcept
    {
        return a.Shares(b) || a.Text() == b.Text();
    }

private:
    struct TBlock;
    void Release() noexcept;

    TBlock* FBlock = nullptr;
};

}  // namespace zelutils
