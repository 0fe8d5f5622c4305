// The type library of the cleanup handler: library Tidewash 1.0, the
// interface ITidewashCtrl and the class TidewashCtrl. The three
// identifiers are fixed for every program that names the handler.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <typelibdesc.h>
#include <complatform.h>

#include <initializer_list>

#include "FileIdentity.h"

// {A26D50E2-16AD-41EE-8B2B-33B4C183AC6D}
DEFINE_GUID(LIBID_Tidewash, 0xA26D50E2, 0x16AD, 0x41EE, 0x8B, 0x2B, 0x33, 0xB4, 0xC1, 0x83, 0xAC, 0x6D);
// {4D361A55-C193-4ECC-B967-BF2B96A901E4}
DEFINE_GUID(IID_ITidewashCtrl, 0x4D361A55, 0xC193, 0x4ECC, 0xB9, 0x67, 0xBF, 0x2B, 0x96, 0xA9, 0x01, 0xE4);
// {BDC88FE5-B140-4484-82BE-8AFC18AAC3D1}
DEFINE_GUID(CLSID_TidewashCtrl, 0xBDC88FE5, 0xB140, 0x4484, 0x82, 0xBE, 0x8A, 0xFC, 0x18, 0xAA, 0xC3, 0xD1);

// What the cleanup handler adds to the disk-cleanup interfaces for the
// programs that drive it themselves.
struct ITidewashCtrl : public IUnknown {
    // The number and total size of the files the scan found (each once,
    // however many masks found it), and of those still selected for
    // deletion. Any pointer may be null.
    virtual HRESULT STDMETHODCALLTYPE GetSelectionStats(LONGLONG* SelectedCount, LONGLONG* SelectedSize,
                                                        LONGLONG* TotalCount, LONGLONG* TotalSize) = 0;
    // Whether the volume root (as the handler was given it) is one the
    // settings exclude from scanning.
    virtual HRESULT STDMETHODCALLTYPE IsVolumeExcluded(LPSTR Volume, VARIANT_BOOL* Excluded) = 0;
};

// What the purge does with one found file: remove it, or keep it because
// the settings keep hidden or read-only files, or because it is not selected.
enum TWS_FILE_PLAN : DWORD {
    TWS_PLAN_REMOVE = 0,
    TWS_PLAN_KEEP_HIDDEN = 1,
    TWS_PLAN_KEEP_READONLY = 2,
    TWS_PLAN_UNSELECTED = 3,
};

// What the last purge did with one found file.
enum TWS_FILE_OUTCOME : DWORD {
    TWS_OUTCOME_NONE = 0,     // no purge yet, or the file was not selected
    TWS_OUTCOME_DELETED = 1,  // deleted for good
    TWS_OUTCOME_TRASHED = 2,  // moved to the trash (TrashFolder, TrashName)
    TWS_OUTCOME_KEPT = 3,     // left alone by the hidden or read-only rule
    TWS_OUTCOME_FAILED = 4,   // meant to go but still there; OutcomeReason says why
};

// One found file as ITidewashResults describes it. The strings belong to the
// caller (SysFreeString; TwsClearFileResult frees them all).
struct TWS_FILE_RESULT {
    BSTR Mask;           // the masks that found it, comma-separated ("*.~*, *.~dsk")
    BSTR Path;           // the full path
    LONGLONG Size;
    DWORD Plan;          // TWS_FILE_PLAN
    BSTR PlanReason;     // why a file stays ("linked by ZLibUnit.pas", "kept: hidden ..."), else null
    DWORD Outcome;       // TWS_FILE_OUTCOME
    BSTR OutcomeReason;  // why a file failed (trash refused, changed since the scan, ...), else null
    BSTR TrashFolder;    // the trash that took it (ending in "/"), else null
    BSTR TrashName;      // its entry in TrashFolder's files/ folder, else null
    // The file as the scan found it: what makes it the same file later.
    ULONGLONG Device;
    ULONGLONG Inode;
    LONGLONG ModifiedNs;
    LONGLONG BornNs;
    VARIANT_BOOL HasBirthTime;
};

// The file's identity into and out of the flat record: the one place its
// fields are copied. The identity's size is the record's Size.
inline void TwsSetFileIdentity(TWS_FILE_RESULT& r, const twsplatform::TFileIdentity& identity)
{
    r.Size = identity.Size;
    r.Device = identity.Device;
    r.Inode = identity.Inode;
    r.ModifiedNs = identity.ModifiedNs;
    r.BornNs = identity.BornNs;
    r.HasBirthTime = identity.HasBirthTime ? VARIANT_TRUE : VARIANT_FALSE;
}

inline twsplatform::TFileIdentity TwsFileIdentity(const TWS_FILE_RESULT& r)
{
    return {r.Device, r.Inode, r.Size, r.ModifiedNs, r.BornNs, r.HasBirthTime != VARIANT_FALSE};
}

inline void TwsClearFileResult(TWS_FILE_RESULT& r)
{
    for (BSTR* s : {&r.Mask, &r.Path, &r.PlanReason, &r.OutcomeReason, &r.TrashFolder, &r.TrashName}) {
        SysFreeString(*s);
        *s = nullptr;
    }
}

// {6E2B7C41-3D0A-4F55-9A61-2C7E5B8D0F13}
DEFINE_GUID(IID_ITidewashResults, 0x6E2B7C41, 0x3D0A, 0x4F55, 0x9A, 0x61, 0x2C, 0x7E, 0x5B, 0x8D, 0x0F, 0x13);

// The cleanup handler's per-file view, for hosts that list what a purge
// would touch and tell what it did. Answered by the handler object beside
// ITidewashCtrl and the disk-cleanup interfaces.
struct ITidewashResults : public IUnknown {
    // The number of files the last scan found, each once however many
    // masks found it.
    virtual HRESULT STDMETHODCALLTYPE GetFileCount(LONG* Count) = 0;
    // File Index (0 .. count-1, grouped by the first mask that found it,
    // in the scan's order);
    // E_INVALIDARG outside that range.
    virtual HRESULT STDMETHODCALLTYPE GetFile(LONG Index, TWS_FILE_RESULT* File) = 0;
    // The purge report the last purge wrote: S_OK with its Path, S_FALSE
    // with the Error that kept it from being written, or S_FALSE with both
    // null before any purge.
    virtual HRESULT STDMETHODCALLTYPE GetPurgeReport(BSTR* Path, BSTR* Error) = 0;
    // The folders the last scan could not open for listing (no permission,
    // or gone or replaced while it ran): their files were not searched.
    virtual HRESULT STDMETHODCALLTYPE GetUnreadableFolderCount(LONG* Count) = 0;
    // The settings file the object read (S_OK; it may be missing, which
    // means the defaults): beside the handler, or the user's own when the
    // installation is shared. S_FALSE with null when no place could be
    // decided (the object's calls report why).
    virtual HRESULT STDMETHODCALLTYPE GetSettingsFile(BSTR* Path) = 0;
    // Whether a purge moves the files to the trash (VARIANT_TRUE) or
    // deletes them for good, under the settings.
    virtual HRESULT STDMETHODCALLTYPE GetPurgeMode(VARIANT_BOOL* ToTrash) = 0;
    // Whether a purge under the settings can do anything on the volume,
    // asked before the user is: S_OK when nothing stands in the way,
    // S_FALSE with the Reason (the volume is read-only, or the trash that
    // would take the files, named, cannot be used). A host tells it once
    // and does not offer the purge.
    virtual HRESULT STDMETHODCALLTYPE GetPurgeReadiness(BSTR* Reason) = 0;
    // File Index as GetFile tells it, but its size, identity, plan and
    // outcome only: every text is null. For hosts that only count, which
    // then make and free no strings per file.
    virtual HRESULT STDMETHODCALLTYPE GetFileFigures(LONG Index, TWS_FILE_RESULT* File) = 0;
};

// {18884154-0E70-4572-8899-D2F18007D1B1}
DEFINE_GUID(IID_ITidewashPurgeJournal, 0x18884154, 0x0E70, 0x4572, 0x88, 0x99, 0xD2, 0xF1, 0x80, 0x07, 0xD1, 0xB1);

// A host's record of a purge as it happens, so that a purge killed at any
// moment leaves a record of every file it moved. Answered, when the host
// keeps one, by the callback object the host passes to Purge (the handler
// asks it with QueryInterface); a host that does not answer it (the
// system's Disk Cleanup) gets the same purge without it. Strings are UTF-8
// and belong to the handler.
struct ITidewashPurgeJournal : public IUnknown {
    // Before a file (Path, its full path) goes to the trash, before anything
    // of it is created there: the trash folder (ending in "/") and the name
    // the file and its info/<TrashName>.trashinfo are about to take. It may
    // come more than once for a file when a name turns out to be taken. The
    // file is not moved unless the host answers S_OK.
    virtual HRESULT STDMETHODCALLTYPE FileTrashing(LPCSTR Path, LPCSTR TrashFolder, LPCSTR TrashName) = 0;
    // What became of the file (TWS_FILE_OUTCOME): the trash entry when it
    // was trashed, why when it failed or was kept (else null).
    virtual HRESULT STDMETHODCALLTYPE FileDone(LPCSTR Path, DWORD Outcome, LPCSTR TrashFolder, LPCSTR TrashName,
                                               LPCSTR Reason) = 0;
};
TWS_INTERFACE_IID(ITidewashPurgeJournal, IID_ITidewashPurgeJournal);

namespace tidewash {
// The library as the handler module describes it: Tidewash 1.0, locale
// 0x409, "Tidewash Library"; the class TidewashCtrl, "Tidewash cleaner for
// temporary IDE files" (the class's description in the registry).
const TWS_TYPELIB& TidewashTypeLibrary();
}  // namespace tidewash
