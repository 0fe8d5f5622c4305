// Type libraries described in code: LoadTypeLib reads a module's
// description through its TwsGetTypeLibrary export into an owned copy, and
// ITypeLib and ITypeInfo objects answer from that copy.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "comimpl.h"
#include "cominternal.h"
#include "oleauto.h"
#include "typelibdesc.h"

namespace {

using twscom::Utf8ToUtf16;

struct TMember {
    MEMBERID Id;
    std::u16string Name;
    std::u16string Help;
};

struct TImplType {
    UINT TypeIndex;
    INT Flags;
};

struct TTypeEntry {
    TYPEKIND Kind;
    GUID Guid;
    std::u16string Name;
    std::u16string Help;
    WORD Major;
    WORD Minor;
    WORD Flags;
    std::vector<TMember> Members;
    std::vector<TImplType> ImplTypes;
};

struct TLibrary {
    GUID Libid;
    std::u16string Name;
    std::u16string Help;
    WORD Major;
    WORD Minor;
    LCID Lcid;
    WORD Flags;
    std::vector<TTypeEntry> Types;
};

std::u16string Text(const char* text) { return text == nullptr ? std::u16string() : Utf8ToUtf16(text); }

// A list that claims entries but shows none.
template <typename T>
bool Dangling(std::span<const T> list)
{
    return !list.empty() && list.data() == nullptr;
}

// The owned copy of a description; null when the description is malformed
// (null GUIDs or arrays, an unknown kind, a coclass naming an interface the
// library does not have).
std::shared_ptr<const TLibrary> CopyDescription(const TWS_TYPELIB& desc)
{
    if (desc.entry.guid == nullptr || Dangling(desc.interfaces) || Dangling(desc.coclasses))
        return nullptr;
    auto lib = std::make_shared<TLibrary>();
    lib->Libid = *desc.entry.guid;
    lib->Name = Text(desc.entry.name);
    lib->Help = Text(desc.entry.helpString);
    lib->Major = desc.majorVersion;
    lib->Minor = desc.minorVersion;
    lib->Lcid = desc.lcid;
    lib->Flags = desc.libFlags;
    for (const TWS_TYPELIB_INTERFACE& in : desc.interfaces) {
        if (in.entry.guid == nullptr || (in.kind != TKIND_INTERFACE && in.kind != TKIND_DISPATCH) ||
            Dangling(in.members))
            return nullptr;
        TTypeEntry entry{in.kind, *in.entry.guid, Text(in.entry.name), Text(in.entry.helpString), in.majorVersion,
                         in.minorVersion, in.typeFlags, {}, {}};
        for (const TWS_TYPELIB_MEMBER& member : in.members)
            entry.Members.push_back({member.memid, Text(member.name), Text(member.helpString)});
        lib->Types.push_back(std::move(entry));
    }
    for (const TWS_TYPELIB_COCLASS& co : desc.coclasses) {
        if (co.entry.guid == nullptr || Dangling(co.interfaces))
            return nullptr;
        TTypeEntry entry{TKIND_COCLASS, *co.entry.guid, Text(co.entry.name), Text(co.entry.helpString), 0, 0,
                         co.typeFlags, {}, {}};
        for (const TWS_TYPELIB_IMPLTYPE& impl : co.interfaces) {
            const UINT count = static_cast<UINT>(desc.interfaces.size());
            UINT found = count;
            for (UINT t = 0; impl.iid != nullptr && t < count; ++t)
                if (*desc.interfaces[t].entry.guid == *impl.iid)
                    found = t;
            if (found == count)
                return nullptr;
            entry.ImplTypes.push_back({found, impl.implTypeFlags});
        }
        lib->Types.push_back(std::move(entry));
    }
    return lib;
}

// Stores a copy of text in *out when out is not null.
HRESULT Hand(const std::u16string& text, BSTR* out)
{
    if (out == nullptr)
        return S_OK;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT HandDocumentation(const std::u16string& name, const std::u16string& help, BSTR* pName,
                          BSTR* pDoc, DWORD* pHelpContext, BSTR* pHelpFile)
{
    if (pName != nullptr)
        *pName = nullptr;
    if (pDoc != nullptr)
        *pDoc = nullptr;
    if (pHelpFile != nullptr)
        *pHelpFile = nullptr;
    if (pHelpContext != nullptr)
        *pHelpContext = 0;
    if (FAILED(Hand(name, pName)) || FAILED(Hand(help, pDoc)) ||
        FAILED(Hand(std::u16string(), pHelpFile))) {
        if (pName != nullptr) {
            SysFreeString(*pName);
            *pName = nullptr;
        }
        if (pDoc != nullptr) {
            SysFreeString(*pDoc);
            *pDoc = nullptr;
        }
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// Names compare ignoring ASCII case, as automation names do.
bool SameName(const std::u16string& a, LPCOLESTR b)
{
    if (b == nullptr)
        return false;
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (y == 0)
            return false;
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return b[i] == 0;
}

class TTypeLib;

class TTypeInfo final : public twscom::TComImpl<TTypeInfo, ITypeInfo> {
public:
    TTypeInfo(std::shared_ptr<const TLibrary> lib, UINT index, ITypeLib* owner)
        : FLib(std::move(lib)), FIndex(index), FOwner(owner)
    {
        FOwner->AddRef();
    }
    ~TTypeInfo() { FOwner->Release(); }

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** ppTypeAttr) override
    {
        if (ppTypeAttr == nullptr)
            return E_INVALIDARG;
        auto* attr = new (std::nothrow) TYPEATTR{};
        if (attr == nullptr)
            return E_OUTOFMEMORY;
        const TTypeEntry& t = Type();
        attr->guid = t.Guid;
        attr->lcid = FLib->Lcid;
        attr->memidConstructor = MEMBERID_NIL;
        attr->memidDestructor = MEMBERID_NIL;
        attr->typekind = t.Kind;
        attr->cFuncs = static_cast<WORD>(t.Members.size());
        attr->cImplTypes = static_cast<WORD>(t.ImplTypes.size());
        if (t.Kind == TKIND_INTERFACE)
            attr->cbSizeVft = static_cast<WORD>((3 + t.Members.size()) * sizeof(void*));
        else if (t.Kind == TKIND_DISPATCH)
            attr->cbSizeVft = static_cast<WORD>(7 * sizeof(void*));
        attr->cbSizeInstance = t.Kind == TKIND_COCLASS ? 0 : sizeof(void*);
        attr->cbAlignment = alignof(void*);
        attr->wTypeFlags = t.Flags;
        attr->wMajorVerNum = t.Major;
        attr->wMinorVerNum = t.Minor;
        attr->tdescAlias.vt = VT_EMPTY;
        *ppTypeAttr = attr;
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* pTypeAttr) override { delete pTypeAttr; }

    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** pp) override { return NotImplemented(pp); }
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC** pp) override
    {
        return NotImplemented(pp);
    }
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC** pp) override { return NotImplemented(pp); }

    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames,
                                       UINT* pcNames) override
    {
        if (rgBstrNames == nullptr || pcNames == nullptr)
            return E_INVALIDARG;
        *pcNames = 0;
        const TMember* member = Member(memid);
        if (member == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
        if (cMaxNames == 0)
            return S_OK;
        // Parameters are not described: a member has its own name only.
        if (FAILED(Hand(member->Name, rgBstrNames)))
            return E_OUTOFMEMORY;
        *pcNames = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override
    {
        return ImplTypeField(index, pRefType, &TImplType::TypeIndex);
    }

    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override
    {
        return ImplTypeField(index, pImplTypeFlags, &TImplType::Flags);
    }

    // One field of the implemented interface at index into *out.
    template <class Out, class Field>
    HRESULT ImplTypeField(UINT index, Out* out, Field TImplType::*field) const
    {
        if (out == nullptr)
            return E_INVALIDARG;
        const TTypeEntry& t = Type();
        if (index >= t.ImplTypes.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *out = t.ImplTypes[index].*field;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames,
                                            MEMBERID* pMemId) override
    {
        if (rgszNames == nullptr || pMemId == nullptr || cNames == 0)
            return E_INVALIDARG;
        HRESULT result = DISP_E_UNKNOWNNAME;
        pMemId[0] = MEMBERID_NIL;
        for (const TMember& m : Type().Members) {
            if (SameName(m.Name, rgszNames[0])) {
                pMemId[0] = m.Id;
                result = S_OK;
                break;
            }
        }
        // Parameter names are not described.
        for (UINT i = 1; i < cNames; ++i) {
            pMemId[i] = MEMBERID_NIL;
            result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* pBstrName,
                                               BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                               BSTR* pBstrHelpFile) override
    {
        if (memid == MEMBERID_NIL)
            return HandDocumentation(Type().Name, Type().Help, pBstrName, pBstrDocString,
                                     pdwHelpContext, pBstrHelpFile);
        const TMember* member = Member(memid);
        if (member == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
        return HandDocumentation(member->Name, member->Help, pBstrName, pBstrDocString,
                                 pdwHelpContext, pBstrHelpFile);
    }

    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR* pBstrDllName,
                                          BSTR* pBstrName, WORD* pwOrdinal) override
    {
        if (pBstrDllName != nullptr)
            *pBstrDllName = nullptr;
        if (pBstrName != nullptr)
            *pBstrName = nullptr;
        if (pwOrdinal != nullptr)
            *pwOrdinal = 0;
        return TYPE_E_WRONGTYPEKIND;  // only module types have entry points
    }

    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override
    {
        return FOwner->GetTypeInfo(static_cast<UINT>(hRefType), ppTInfo);
    }

    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) override
    {
        return NotImplemented(ppv);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             PVOID* ppvObj) override
    {
        if (ppvObj == nullptr)
            return E_INVALIDARG;
        *ppvObj = nullptr;
        if (Type().Kind != TKIND_COCLASS)
            return TYPE_E_WRONGTYPEKIND;
        return CoCreateInstance(Type().Guid, pUnkOuter, CLSCTX_SERVER, riid, ppvObj);
    }

    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR* pBstrMops) override
    {
        if (pBstrMops == nullptr)
            return E_INVALIDARG;
        *pBstrMops = nullptr;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override
    {
        if (ppTLib == nullptr)
            return E_INVALIDARG;
        *ppTLib = FOwner;
        FOwner->AddRef();
        if (pIndex != nullptr)
            *pIndex = FIndex;
        return S_OK;
    }

    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC*) override {}
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}

private:

    template <typename T>
    static HRESULT NotImplemented(T** out)
    {
        if (out != nullptr)
            *out = nullptr;
        return E_NOTIMPL;
    }
    const TTypeEntry& Type() const { return FLib->Types[FIndex]; }
    const TMember* Member(MEMBERID memid) const
    {
        for (const TMember& m : Type().Members)
            if (m.Id == memid)
                return &m;
        return nullptr;
    }

    std::shared_ptr<const TLibrary> FLib;
    UINT FIndex;
    ITypeLib* FOwner;
};

class TTypeLib final : public twscom::TComImpl<TTypeLib, ITypeLib> {
public:
    explicit TTypeLib(std::shared_ptr<const TLibrary> lib) : FLib(std::move(lib)) {}

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override
    {
        return static_cast<UINT>(FLib->Types.size());
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo == nullptr)
            return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (index >= FLib->Types.size())
            return TYPE_E_ELEMENTNOTFOUND;
        auto* info = new (std::nothrow) TTypeInfo(FLib, index, this);
        if (info == nullptr)
            return E_OUTOFMEMORY;
        info->AddRef();
        *ppTInfo = info;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* pTKind) override
    {
        if (pTKind == nullptr)
            return E_INVALIDARG;
        if (index >= FLib->Types.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *pTKind = FLib->Types[index].Kind;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override
    {
        if (ppTinfo == nullptr)
            return E_INVALIDARG;
        *ppTinfo = nullptr;
        for (UINT i = 0; i < FLib->Types.size(); ++i)
            if (FLib->Types[i].Guid == guid)
                return GetTypeInfo(i, ppTinfo);
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** ppTLibAttr) override
    {
        if (ppTLibAttr == nullptr)
            return E_INVALIDARG;
        auto* attr = new (std::nothrow) TLIBATTR{};
        if (attr == nullptr)
            return E_OUTOFMEMORY;
        attr->guid = FLib->Libid;
        attr->lcid = FLib->Lcid;
        attr->syskind = SYS_WIN32;
        attr->wMajorVerNum = FLib->Major;
        attr->wMinorVerNum = FLib->Minor;
        attr->wLibFlags = FLib->Flags;
        *ppTLibAttr = attr;
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* pTLibAttr) override { delete pTLibAttr; }

    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override
    {
        if (ppTComp != nullptr)
            *ppTComp = nullptr;
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                               DWORD* pdwHelpContext,
                                               BSTR* pBstrHelpFile) override
    {
        if (index == -1)
            return HandDocumentation(FLib->Name, FLib->Help, pBstrName, pBstrDocString,
                                     pdwHelpContext, pBstrHelpFile);
        if (index < 0 || static_cast<std::size_t>(index) >= FLib->Types.size())
            return TYPE_E_ELEMENTNOTFOUND;
        const TTypeEntry& t = FLib->Types[static_cast<std::size_t>(index)];
        return HandDocumentation(t.Name, t.Help, pBstrName, pBstrDocString, pdwHelpContext,
                                 pBstrHelpFile);
    }

    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) override
    {
        if (szNameBuf == nullptr || pfName == nullptr)
            return E_INVALIDARG;
        *pfName = FALSE;
        for (const TTypeEntry& t : FLib->Types) {
            if (SameName(t.Name, szNameBuf))
                *pfName = TRUE;
            for (const TMember& m : t.Members)
                if (SameName(m.Name, szNameBuf))
                    *pfName = TRUE;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR szNameBuf, ULONG, ITypeInfo** ppTInfo,
                                       MEMBERID* rgMemId, USHORT* pcFound) override
    {
        if (szNameBuf == nullptr || ppTInfo == nullptr || rgMemId == nullptr || pcFound == nullptr)
            return E_INVALIDARG;
        const USHORT wanted = *pcFound;
        USHORT found = 0;
        for (UINT i = 0; i < FLib->Types.size() && found < wanted; ++i) {
            const TTypeEntry& t = FLib->Types[i];
            MEMBERID id = MEMBERID_NIL;
            bool match = SameName(t.Name, szNameBuf);
            for (const TMember& m : t.Members) {
                if (!match && SameName(m.Name, szNameBuf)) {
                    match = true;
                    id = m.Id;
                }
            }
            if (match && SUCCEEDED(GetTypeInfo(i, &ppTInfo[found]))) {
                rgMemId[found] = id;
                ++found;
            }
        }
        *pcFound = found;
        return S_OK;
    }

private:
    std::shared_ptr<const TLibrary> FLib;
};

}  // namespace

extern "C" {

HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib)
{
    if (pptlib == nullptr)
        return E_INVALIDARG;
    *pptlib = nullptr;
    if (szFile == nullptr || szFile[0] == 0)
        return E_INVALIDARG;
    const std::string path = twscom::Utf16ToUtf8(szFile);
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return TYPE_E_CANTLOADLIBRARY;
    auto get = reinterpret_cast<TWS_GET_TYPELIB_FUNC>(dlsym(module, TWS_TYPELIB_EXPORT_NAME));
    const TWS_TYPELIB* desc = get != nullptr ? get() : nullptr;
    HRESULT result = TYPE_E_CANTLOADLIBRARY;
    try {
        std::shared_ptr<const TLibrary> lib;
        if (desc != nullptr && (lib = CopyDescription(*desc)) == nullptr)
            result = TYPE_E_INVALIDSTATE;
        if (lib != nullptr) {
            auto* typeLib = new TTypeLib(std::move(lib));
            typeLib->AddRef();
            *pptlib = typeLib;
            result = S_OK;
        }
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    dlclose(module);
    return result;
}
}
