// The images of the resource library TWSRES in the installation folder,
// loaded once for every window of the configurator. A missing library
// leaves the default glyphs and icon.
#pragma once

#include <QAbstractButton>
#include <QIcon>

#include "System.hpp"
#include "Zellibutils.h"

namespace twsconfigurator {

class TConfiguratorResources {
public:
    explicit TConfiguratorResources(const AnsiString& libraryPath);

    // Gives the button the named bitmap; false (button unchanged) when the
    // library or the bitmap is missing.
    bool SetGlyph(QAbstractButton* button, const AnsiString& name) const;
    // The named icon, or a null icon.
    QIcon Icon(const AnsiString& name) const;

private:
    zelutils::TResourceLoader FLoader;
};

// The library of the installation: DLLPathByGUID(CLSID_TidewashCtrl) and
// the library's file name.
const TConfiguratorResources& ConfiguratorResources();

}  // namespace twsconfigurator
