// TSharedText: the text and its count in one allocation.
#include "Zelsharedtext.h"

namespace zelutils {

struct TSharedText::TBlock {
    explicit TBlock(std::string_view text) : Text(text) {}
    std::atomic<std::size_t> Copies{1};
    const AnsiString Text;
};

TSharedText::TSharedText(std::string_view text) : FBlock(new TBlock(text)) {}

TSharedText::TSharedText(const TSharedText& other) noexcept : FBlock(other.FBlock)
{
    if (FBlock != nullptr)
        FBlock->Copies.fetch_add(1, std::memory_order_relaxed);
}

TSharedText::TSharedText(TSharedText&& other) noexcept : FBlock(other.FBlock) { other.FBlock = nullptr; }

TSharedText& TSharedText::operator=(const TSharedText& other) noexcept
{
    // Counted first, and taken before the release, so that assigning a
    // text to itself keeps it.
    TBlock* const block = other.FBlock;
    if (block != nullptr)
        block->Copies.fetch_add(1, std::memory_order_relaxed);
    Release();
    FBlock = block;
    return *this;
}

TSharedText& TSharedText::operator=(TSharedText&& other) noexcept
{
    if (this != &other) {
        Release();
        FBlock = other.FBlock;
        other.FBlock = nullptr;
    }
    return *this;
}

TSharedText::~TSharedText() { Release(); }

const AnsiString& TSharedText::Text() const noexcept
{
    static const AnsiString empty;
    return FBlock == nullptr ? empty : FBlock->Text;
}

void TSharedText::Release() noexcept
{
    // The last copy frees the text; what every other copy did with it
    // happens before (acquire on the last decrement).
    if (FBlock != nullptr && FBlock->Copies.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete FBlock;
    FBlock = nullptr;
}

}  // namespace zelutils
