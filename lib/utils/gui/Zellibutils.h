// Modules loaded by file name, and bitmaps and icons taken from a resource
// library by name.
#pragma once

#include <windows.h>

#include "Graphics.hpp"
#include "ImgList.hpp"
#include "System.hpp"

namespace zelutils {

// Holds at most one loaded module and frees it when it goes.
class TDLLLoader {
public:
    TDLLLoader() = default;
    // Loads name; whether that worked shows in the calls that follow.
    explicit TDLLLoader(const AnsiString& name);
    virtual ~TDLLLoader();
    TDLLLoader(const TDLLLoader&) = delete;
    TDLLLoader& operator=(const TDLLLoader&) = delete;

    // Loads the module with the system loader; true when it loaded. Raises
    // "DLLLoader is already in use" while a module is loaded.
    bool LoadLibraryA(const AnsiString& name);
    // Frees the module (also when none is loaded) and forgets it; true when
    // the system reported success.
    bool UnloadLibrary();
    // The address of the module's export name, or null.
    FARPROC LoadFunction(const char* name) const;

protected:
    HMODULE FHandle = nullptr;
};

// Images of a resource library. A missing library or image is reported only
// through the results.
class TResourceLoader : public TDLLLoader {
public:
    using TDLLLoader::TDLLLoader;

    // Loads the bitmap resource name into bitmap; false when no module is
    // loaded, bitmap is null or the module has no such bitmap.
    bool LoadBitmapA(const AnsiString& name, TBitmap* bitmap) const;
    // The same for an icon resource.
    bool LoadIconA(const AnsiString& name, TIcon* icon) const;
    // Loads the bitmap (fuchsia, 0xFF00FF, as its transparent colour) and
    // adds it to list with maskColor taken out; the new image's index, or
    // -1 when the bitmap could not be loaded (the list is then unchanged).
    int AddBitmapToImageList(const AnsiString& name, TImageList* list, TColor maskColor) const;
    // The bitmap as a button or a tree shows it: its fuchsia (0xFF00FF), the
    // colour the library's bitmaps are drawn on, taken out. Every window
    // takes its glyphs here, so none shows them on their background. A null
    // pixmap when no module is loaded or it has no such bitmap.
    QPixmap LoadGlyph(const AnsiString& name) const;
};

}  // namespace zelutils
