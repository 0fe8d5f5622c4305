// The review window in a module of its own beside the handler
// (TIDEWASH_REVIEW_MODULE_FILE, set by the build), loaded at the first
// window and kept.
#include "Reviewloader.h"

#include <filesystem>

namespace tidewash {

HRESULT FindReviewWindowFactory(const AnsiString& installationFolder, TReviewWindowFactory& factory)
{
    factory = nullptr;
    // A bare or relative name would be looked up along the loader's search
    // path or below the current folder: code from wherever that leads.
    if (installationFolder.empty() || !std::filesystem::path(installationFolder.c_str()).is_absolute())
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    const AnsiString file = installationFolder + TIDEWASH_REVIEW_MODULE_FILE;
    // Loading a module already loaded only counts it again; it is never
    // freed once it served, so counting it again and again costs nothing.
    const HMODULE module = LoadLibraryA(file.c_str());
    if (module == nullptr)
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    const auto found = reinterpret_cast<TReviewWindowFactory>(GetProcAddress(module, kReviewWindowFactoryName));
    if (found == nullptr) {
        FreeLibrary(module);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    factory = found;
    return S_OK;
}

}  // namespace tidewash
