#include "Zellibutils.h"

namespace zelutils {

namespace {

// The bytes of a resource of the module, or null.
const void* ResourceBytes(HMODULE module, const AnsiString& name, LPCSTR type, DWORD& size)
{
    size = 0;
    HRSRC resource = FindResourceA(module, name.c_str(), type);
    if (resource == nullptr)
        return nullptr;
    HGLOBAL data = LoadResource(module, resource);
    if (data == nullptr)
        return nullptr;
    size = SizeofResource(module, resource);
    return LockResource(data);
}

}  // namespace

TDLLLoader::TDLLLoader(const AnsiString& name) { LoadLibraryA(name); }

TDLLLoader::~TDLLLoader() { UnloadLibrary(); }

bool TDLLLoader::LoadLibraryA(const AnsiString& name)
{
    if (FHandle != nullptr)
        throw Exception("DLLLoader is already in use");
    FHandle = ::LoadLibraryA(name.c_str());
    return FHandle != nullptr;
}

bool TDLLLoader::UnloadLibrary()
{
    const bool freed = ::FreeLibrary(FHandle) != FALSE;
    FHandle = nullptr;
    return freed;
}

FARPROC TDLLLoader::LoadFunction(const char* name) const { return ::GetProcAddress(FHandle, name); }

bool TResourceLoader::LoadBitmapA(const AnsiString& name, TBitmap* bitmap) const
{
    if (FHandle == nullptr || bitmap == nullptr)
        return false;
    DWORD size = 0;
    const void* bytes = ResourceBytes(FHandle, name, RT_BITMAP, size);
    if (bytes != nullptr)
        bitmap->LoadFromBytes(bytes, size);
    return bitmap->HandleAllocated();
}

bool TResourceLoader::LoadIconA(const AnsiString& name, TIcon* icon) const
{
    if (FHandle == nullptr || icon == nullptr)
        return false;
    DWORD size = 0;
    const void* bytes = ResourceBytes(FHandle, name, RT_GROUP_ICON, size);
    if (bytes != nullptr)
        icon->LoadFromBytes(bytes, size);
    return icon->HandleAllocated();
}

int TResourceLoader::AddBitmapToImageList(const AnsiString& name, TImageList* list, TColor maskColor) const
{
    TBitmap bitmap;
    bitmap.SetTransparentColor(clFuchsia);
    if (!LoadBitmapA(name, &bitmap) || list == nullptr)
        return -1;
    return list->AddMasked(&bitmap, maskColor);
}

QPixmap TResourceLoader::LoadGlyph(const AnsiString& name) const
{
    TBitmap bitmap;
    bitmap.SetTransparentColor(clFuchsia);
    if (!LoadBitmapA(name, &bitmap))
        return QPixmap();
    return bitmap.Pixmap();
}

}  // namespace zelutils
