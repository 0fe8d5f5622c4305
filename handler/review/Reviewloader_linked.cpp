// The review window linked into the handler: nothing to load.
#include "Reviewloader.h"

namespace tidewash {

HRESULT FindReviewWindowFactory(const AnsiString&, TReviewWindowFactory& factory)
{
    factory = &TidewashMakeReviewWindow;
    return S_OK;
}

}  // namespace tidewash
