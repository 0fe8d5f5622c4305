// The type library of the cleanup handler: library Tidewash 1.0, the
// interface ITidewashCtrl and the class TidewashCtrl. The three
// identifiers are fixed for every program that names the handler.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <typelibdesc.h>

// {A26D50E2-16AD-41EE-8B2B-33B4C183AC6D}
DEFINE_GUID(LIBID_Tidewash, 0xA26D50E2, 0x16AD, 0x41EE, 0x8B, 0x2B, 0x33, 0xB4, 0xC1, 0x83, 0xAC, 0x6D);
// {4D361A55-C193-4ECC-B967-BF2B96A901E4}
DEFINE_GUID(IID_ITidewashCtrl, 0x4D361A55, 0xC193, 0x4ECC, 0xB9, 0x67, 0xBF, 0x2B, 0x96, 0xA9, 0x01, 0xE4);
// {BDC88FE5-B140-4484-82BE-8AFC18AAC3D1}
DEFINE_GUID(CLSID_TidewashCtrl, 0xBDC88FE5, 0xB140, 0x4484, 0x82, 0xBE, 0x8A, 0xFC, 0x18, 0xAA, 0xC3, 0xD1);

// What the cleanup handler adds to the disk-cleanup interfaces for the
// programs that drive it themselves.
struct ITidewashCtrl : public IUnknown {
    // The number and total size of the files the scan found, and of those
    // still selected for deletion. Any pointer may be null.
    virtual HRESULT STDMETHODCALLTYPE GetSelectionStats(LONGLONG* SelectedCount, LONGLONG* SelectedSize,
                                                        LONGLONG* TotalCount, LONGLONG* TotalSize) = 0;
    // Whether the volume root (as the handler was given it) is one the
    // settings exclude from scanning.
    virtual HRESULT STDMETHODCALLTYPE IsVolumeExcluded(LPSTR Volume, VARIANT_BOOL* Excluded) = 0;
};

namespace tidewash {
// The library as the handler module describes it: Tidewash 1.0, locale
// 0x409, "Tidewash Library"; the class TidewashCtrl, "Cleaner for temporary
// Borland Development Files".
const TWS_TYPELIB& TidewashTypeLibrary();
}  // namespace tidewash
