// The type library of the configuration server: library TWSConfig 1.0, the
// interfaces ITidewashConfig and IConfigStrings, the event interface
// ITidewashConfigEvents, and the classes TidewashConfig and ConfigStrings.
// The six identifiers are fixed for every program that names the server.
//
// Strings go in as 8-bit text (LPSTR, the ANSI code page) and come out as
// BSTRs, which the caller frees with SysFreeString. Lists travel as
// ConfigStrings objects. Every method returns an HRESULT: E_INVALIDARG for
// a null pointer the method needs, DISP_E_EXCEPTION with the thread's error
// information (source: the class's ProgID, description: the message) for
// an error beneath it.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <typelibdesc.h>

// {C33998FE-574E-4C73-B381-F84F451F48DE}
DEFINE_GUID(LIBID_TWSConfig, 0xC33998FE, 0x574E, 0x4C73, 0xB3, 0x81, 0xF8, 0x4F, 0x45, 0x1F, 0x48, 0xDE);
// {25E6473E-38DA-4FE3-9BA6-7C061359804A}
DEFINE_GUID(IID_ITidewashConfig, 0x25E6473E, 0x38DA, 0x4FE3, 0x9B, 0xA6, 0x7C, 0x06, 0x13, 0x59, 0x80, 0x4A);
// {D9BD1726-1716-4187-B736-4485235FDE56}
DEFINE_GUID(IID_IConfigStrings, 0xD9BD1726, 0x1716, 0x4187, 0xB7, 0x36, 0x44, 0x85, 0x23, 0x5F, 0xDE, 0x56);
// {8AF73FA1-E8F6-4AF6-9BE0-62054371E09F}
DEFINE_GUID(DIID_ITidewashConfigEvents, 0x8AF73FA1, 0xE8F6, 0x4AF6, 0x9B, 0xE0, 0x62, 0x05, 0x43, 0x71, 0xE0,
            0x9F);
// {FD9BC248-2052-4901-846B-5DD21A76D84D}
DEFINE_GUID(CLSID_TidewashConfig, 0xFD9BC248, 0x2052, 0x4901, 0x84, 0x6B, 0x5D, 0xD2, 0x1A, 0x76, 0xD8, 0x4D);
// {F2ECF546-A773-4625-A3FC-ADF976E59EF9}
DEFINE_GUID(CLSID_ConfigStrings, 0xF2ECF546, 0xA773, 0x4625, 0xA3, 0xFC, 0xAD, 0xF9, 0x76, 0xE5, 0x9E, 0xF9);

// A list of strings handed between the configuration server and its
// clients (member ids in brackets).
struct IConfigStrings : public IUnknown {
    // [1] Appends Value; when Index is not null, stores the new string's
    // position there.
    virtual HRESULT STDMETHODCALLTYPE Add(LPSTR Value, LONG* Index) = 0;
    // [2] Removes the string at Index; an index outside the list fails with
    // the list's index error as description.
    virtual HRESULT STDMETHODCALLTYPE Delete(LONG Index) = 0;
    // [3] The list becomes the items of the comma text Values.
    virtual HRESULT STDMETHODCALLTYPE SetStringsSDF(LPSTR Values) = 0;
    // [4] Empties the list.
    virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
    // [5] The number of strings (the property Count).
    virtual HRESULT STDMETHODCALLTYPE Count(LONG* Value) = 0;
    // [8] A new BSTR holding the string at Index. Whatever *Value held is
    // overwritten, not freed.
    virtual HRESULT STDMETHODCALLTYPE GetItem(LONG Index, BSTR* Value) = 0;
    // [6] A new BSTR holding the list as comma text; *CommaText is
    // overwritten, not freed.
    virtual HRESULT STDMETHODCALLTYPE GetAsCommaText(BSTR* CommaText) = 0;
};

// The cleanup settings, read and changed in memory and kept in a settings
// file. Initialize must come first and only once; then Load, reads,
// changes, Save. Nothing is written to a file except by Load (creating a
// missing file with the defaults) and Save. Flags come out as VARIANT_TRUE
// or VARIANT_FALSE; any non-zero VARIANT_BOOL going in counts as true.
struct ITidewashConfig : public IUnknown {
    // [1] Defines the settings with their defaults. A second call fails with
    // "TManagedConfig Section already exists: Files".
    virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
    // [2] Reads the settings file (creating it with the defaults when it is
    // missing).
    virtual HRESULT STDMETHODCALLTYPE Load(LPSTR FileName) = 0;
    // [3] Two new lists for the file mask (exact, case-sensitive): the
    // folders excluded alone and those excluded with their subfolders, each
    // in entry order. An entry "folder=value" is with subfolders when the
    // value of the first entry of that folder name (ignoring case) is 1,
    // empty or not a number, alone for any other integer; a bare folder
    // (no "=") is with subfolders. Each slot's previous interface (if not
    // null) is released when the new lists are stored; on failure both
    // slots are left as they were. A null FileMask is the empty mask.
    virtual HRESULT STDMETHODCALLTYPE GetExcludedFolders(LPSTR FileMask, IConfigStrings** ExcludedFolders,
                                                         IConfigStrings** ExcludedFoldersWithSub) = 0;
    // [4] A new list of the active file masks, in scan order (slot as above).
    virtual HRESULT STDMETHODCALLTYPE GetActiveMasks(IConfigStrings** ActiveMasks) = 0;
    // [5]
    virtual HRESULT STDMETHODCALLTYPE GetDeleteHiddenFiles(VARIANT_BOOL* DeleteHidden) = 0;
    // [6]
    virtual HRESULT STDMETHODCALLTYPE GetDeleteReadOnlyFiles(VARIANT_BOOL* DeleteReadOnly) = 0;
    // [7] A new list of the volumes excluded from the cleanup (slot as above).
    virtual HRESULT STDMETHODCALLTYPE GetExcludedVolumes(IConfigStrings** ExcludedVolumes) = 0;
    // [8] The mask's excluded folders become the folders of ExcludedFolders
    // (alone) followed by those of ExcludedFoldersWithSub (with subfolders).
    virtual HRESULT STDMETHODCALLTYPE SetExcludedFolders(LPSTR FileMask, IConfigStrings* ExcludedFolders,
                                                         IConfigStrings* ExcludedFoldersWithSub) = 0;
    // [9] Removes the first active mask equal to FileMask ignoring case; S_OK
    // also when there is none. The mask's excluded folders stay.
    virtual HRESULT STDMETHODCALLTYPE DeleteActiveMask(LPSTR FileMask) = 0;
    // [10]
    virtual HRESULT STDMETHODCALLTYPE SetDeleteHiddenFiles(VARIANT_BOOL DeleteHidden) = 0;
    // [11]
    virtual HRESULT STDMETHODCALLTYPE SetDeleteReadOnlyFiles(VARIANT_BOOL DeleteReadOnly) = 0;
    // [12]
    virtual HRESULT STDMETHODCALLTYPE SetExcludedVolumes(IConfigStrings* ExcludedVolumes) = 0;
    // [13]
    virtual HRESULT STDMETHODCALLTYPE SetActiveMasks(IConfigStrings* ActiveMasks) = 0;
    // [14] Writes every setting and the excluded folders to the file.
    virtual HRESULT STDMETHODCALLTYPE Save(LPSTR FileName) = 0;
    // [15]
    virtual HRESULT STDMETHODCALLTYPE GetUseRecycleBin(VARIANT_BOOL* UseRecycleBin) = 0;
    // [16]
    virtual HRESULT STDMETHODCALLTYPE SetUseRecycleBin(VARIANT_BOOL UseRecycleBin) = 0;
};

// The outgoing interface of TidewashConfig objects: a dispatch interface
// without members. A sink answers QueryInterface for it; no event is ever
// sent.
struct ITidewashConfigEvents : public IDispatch {
};

TWS_INTERFACE_IID(IConfigStrings, IID_IConfigStrings);
TWS_INTERFACE_IID(ITidewashConfig, IID_ITidewashConfig);
TWS_INTERFACE_IID(ITidewashConfigEvents, DIID_ITidewashConfigEvents);

namespace twsconfig {
// The library as the server module describes it: TWSConfig 1.0, locale
// 0x409, "TWSConfig Library".
const TWS_TYPELIB& TWSConfigTypeLibrary();
}  // namespace twsconfig
