// TWSRES for the configurator's buttons and icon.
#include "Configuratorresources.h"

#include "Graphics.hpp"
#include "SysUtils.hpp"
#include "Tidewash_tlb.h"
#include "Twsresname.h"
#include "Zelcomutils.h"

namespace twsconfigurator {

TConfiguratorResources::TConfiguratorResources(const AnsiString& libraryPath)
{
    if (FileExists(libraryPath))
        FLoader.LoadLibraryA(libraryPath);
}

bool TConfiguratorResources::SetGlyph(QAbstractButton* button, const AnsiString& name) const
{
    if (button == nullptr)
        return false;
    const QPixmap glyph = FLoader.LoadGlyph(name);
    if (glyph.isNull())
        return false;
    button->setIcon(QIcon(glyph));
    return true;
}

QIcon TConfiguratorResources::Icon(const AnsiString& name) const
{
    TIcon icon;
    if (!FLoader.LoadIconA(name, &icon))
        return QIcon();
    return icon.Icon();
}

const TConfiguratorResources& ConfiguratorResources()
{
    static const TConfiguratorResources resources(zelcom::DLLPathByGUID(CLSID_TidewashCtrl) +
                                                  kResourceLibraryName);
    return resources;
}

}  // namespace twsconfigurator
