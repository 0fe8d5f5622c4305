// TComRef: an interface pointer that is released when it goes, for code
// that takes interfaces from the system (LoadTypeLib, CreateXmlReader, ...)
// and must give them back on every path.
//
//   ITypeLib* raw = nullptr;
//   if (SUCCEEDED(LoadTypeLib(path, &raw))) { twscom::TComRef<ITypeLib> lib(raw); ... }
#pragma once

#include <memory>

namespace twscom {

template <typename T>
struct TReleaser {
    void operator()(T* p) const
    {
        if (p != nullptr)
            p->Release();
    }
};

template <typename T>
using TComRef = std::unique_ptr<T, TReleaser<T>>;

}  // namespace twscom
