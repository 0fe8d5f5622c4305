// The factory of the review window: the view this build has (the library
// tidewash_review names its header) behind TReviewWindow.
#include "Reviewwindow.h"

#include TIDEWASH_REVIEW_VIEW_HEADER

namespace tidewash {
namespace {

class TViewWindow final : public TReviewWindow {
public:
    explicit TViewWindow(const TReviewScan& scan)
        : FForm(*scan.Volume, *scan.Searcher, *scan.Selection, scan.Reasons, *scan.InstallationFolder)
    {
    }

    void SetSideTables(const TFileAliases* aliases, const TFileReasons* keptBySettings) override
    {
        FForm.Aliases = aliases;
        FForm.KeptBySettings = keptBySettings;
    }
    void SetOwner(std::uintptr_t owner) override { FForm.SetOwner(owner); }
    int ShowModal() override { return FForm.ShowModal(); }
    void Destroy() noexcept override { delete this; }

private:
    ~TViewWindow() = default;

    TfrmFileDetails FForm;
};

}  // namespace
}  // namespace tidewash

extern "C" tidewash::TReviewWindow* TidewashMakeReviewWindow(const tidewash::TReviewScan& scan) noexcept
{
    try {
        if (!tidewash::EnsureWidgetApplication())
            return nullptr;
        return new tidewash::TViewWindow(scan);
    } catch (...) {
        return nullptr;
    }
}
