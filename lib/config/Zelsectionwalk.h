// Walking a configuration tree's sections in name order, for the importers
// and exporters.
#pragma once

#include <functional>

#include "Zelmanagedconfig.h"

namespace zelconfig {

inline void ForEachSection(const TManagedConfig& config, const std::function<void(TConfigSection*)>& visit)
{
    TManagedConfigSections::const_iterator section, end;
    config.GetSectionIterators(section, end);
    for (; section != end; ++section)
        visit(section->second);
}

inline void ForEachChildSection(const TConfigSection& section,
                                const std::function<void(TConfigSection*)>& visit)
{
    TManagedConfigSections::const_iterator child, end;
    section.GetChildIterators(child, end);
    for (; child != end; ++child)
        visit(child->second);
}

// Opens the adaptor, reads or writes through it, and closes it; when the
// step throws, the adaptor's destructor closes it.
template <class Adaptor, class Step>
void ThroughAdaptor(Adaptor&& adaptor, Step&& step)
{
    adaptor.Open();
    step(adaptor);
    adaptor.Close();
}

}  // namespace zelconfig
