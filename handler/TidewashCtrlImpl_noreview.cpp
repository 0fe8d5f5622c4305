// TTidewashCtrlImpl in a build without the review window (the Windows
// build, which has no Qt): the host offers no settings button for it, and
// a host that calls ShowProperties anyway learns that there is none.
#include "TidewashCtrlImpl.h"

namespace tidewash {

const TReview kReview = TReview::None;

// FDetailsWindow stays empty in this build.
void TReviewWindowDeleter::operator()(TfrmFileDetails*) const {}

HRESULT TTidewashCtrlImpl::ShowProperties(HWND) { return E_NOTIMPL; }

HRESULT TTidewashCtrlImpl::Deactivate(DWORD* pdwFlags)
{
    // Nothing to tell the host: the handler stays listed.
    if (pdwFlags != nullptr)
        *pdwFlags = 0;
    return S_OK;
}

}  // namespace tidewash
