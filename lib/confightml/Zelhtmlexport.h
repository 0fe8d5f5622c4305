// THTMLExport: a whole configuration tree as an HTML page, through a
// THTMLAdaptor that it owns.
#pragma once

#include <memory>

#include "Zelconfigio.h"
#include "Zelhtmladaptor.h"

namespace zelconfig {

class TConfigSection;

class THTMLExport : public TConfigExport {
public:
    THTMLExport(AnsiString fileName, AnsiString title, AnsiString description, AnsiString author);
    ~THTMLExport() override;

    // Writes the page: every section depth first, each level in name order,
    // every section's items in item-name order with default and current
    // value. The adaptor's exceptions pass through.
    void Export(const TManagedConfig& config) override;

protected:
    // The section's block and keys under the parent section names, then its
    // children under the parent names followed by its own name.
    void ExportSection(TConfigSection* section, AnsiString parentName);
    void ExportChildSections(TConfigSection* section, AnsiString parentName);

private:
    std::unique_ptr<THTMLAdaptor> FAdaptor;
};

}  // namespace zelconfig
