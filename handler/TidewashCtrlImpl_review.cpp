// TTidewashCtrlImpl: the review window, shown by ShowProperties on the
// caller's thread and owned by the caller's window. The window is made by
// the view's factory (Reviewloader.h): the handler itself never links a
// toolkit, so hosts that only scan never load one.
#include <cstdint>

#include "Reviewloader.h"
#include "Reviewwindow.h"
#include "Tidewash.h"
#include "TidewashCtrlImpl.h"

namespace tidewash {

void TReviewWindowDeleter::operator()(TReviewWindow* window) const { window->Destroy(); }

HRESULT TTidewashCtrlImpl::ShowProperties(HWND hwnd)
{
    if (!FDetailsWindow) {
        try {
            const AnsiString folder = InstallationFolder();
            TReviewWindowFactory make = nullptr;
            const HRESULT found = FindReviewWindowFactory(folder, make);
            if (FAILED(found))
                return found;
            const TReviewScan scan{&FVolume, &FFileSearch, &FSelection, &FUnselectedReasons, &folder};
            FDetailsWindow.reset(make(scan));
            if (!FDetailsWindow)
                return E_OUTOFMEMORY;
            FDetailsWindow->SetSideTables(&FAliases, &FKeptBySettings);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    try {
        // Owned by the caller's window, so that it opens above it and no
        // window of the caller's can cover its buttons.
        FDetailsWindow->SetOwner(reinterpret_cast<std::uintptr_t>(hwnd));
        FDetailsWindow->ShowModal();
    } catch (...) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

HRESULT TTidewashCtrlImpl::Deactivate(DWORD* pdwFlags)
{
    // Nothing to tell the host: the handler stays listed.
    if (pdwFlags != nullptr)
        *pdwFlags = 0;
    FDetailsWindow.reset();
    return S_OK;
}

}  // namespace tidewash
