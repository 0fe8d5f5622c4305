// THTMLExport: walks the configuration tree into its HTML adaptor.
#include "Zelhtmlexport.h"

#include "Zelmanagedconfig.h"

namespace zelconfig {

THTMLExport::THTMLExport(AnsiString fileName, AnsiString title, AnsiString description,
                         AnsiString author)
    : FAdaptor(std::make_unique<THTMLAdaptor>(std::move(fileName), std::move(title),
                                              std::move(description), std::move(author)))
{
}

THTMLExport::~THTMLExport() = default;

void THTMLExport::Export(const TManagedConfig& config)
{
    FAdaptor->Open();
    TManagedConfigSections::const_iterator section, end;
    config.GetSectionIterators(section, end);
    for (; section != end; ++section)
        ExportSection(section->second, AnsiString());
    FAdaptor->Close();
}

void THTMLExport::ExportSection(TConfigSection* section, AnsiString parentName)
{
    FAdaptor->SetParentSection(parentName);
    FAdaptor->CreateSection(section->GetName(), section->GetDescription());

    TManagedConfigData::const_iterator item, end;
    section->GetDataIterators(item, end);
    for (; item != end; ++item) {
        TBaseConfigType* value = item->second;
        FAdaptor->CreateKey(value->SectionName, value->ItemName, value->GetDefaultAsString(),
                            value->Description);
    }
    section->SaveSection(FAdaptor.get(), /*recursive=*/false);

    ExportChildSections(section, parentName + section->GetName());
    FAdaptor->SetParentSection(parentName);
}

void THTMLExport::ExportChildSections(TConfigSection* section, AnsiString parentName)
{
    TManagedConfigSections::const_iterator child, end;
    section->GetChildIterators(child, end);
    for (; child != end; ++child)
        ExportSection(child->second, parentName);
}

}  // namespace zelconfig
