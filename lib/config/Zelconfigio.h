// TConfigImport and TConfigExport: whole configuration trees to and from one
// storage location in a single call.
#pragma once

namespace zelconfig {

class TManagedConfig;

// Fills the sections and items the tree already defines from storage;
// storage content the tree has no item for is ignored. An import stops at
// the first storage error, leaving the items read so far with their new
// values.
class TConfigImport {
public:
    virtual ~TConfigImport();
    virtual void Import(TManagedConfig* const config) = 0;
};

// Writes every item of the tree to storage.
class TConfigExport {
public:
    virtual ~TConfigExport();
    virtual void Export(const TManagedConfig& config) = 0;
};

}  // namespace zelconfig
