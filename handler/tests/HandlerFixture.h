// A cleanup handler installed the way an installer would do it: the module
// (and the review window's module beside it) copied into a fresh
// installation folder, registered with the registration
// tool into a fresh registry, and driven through COM only.
#pragma once

#include <emptyvc.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "InstalledServer.h"
#include "Tidewash_tlb.h"

namespace handlertest {

namespace fs = std::filesystem;
using zelcomtest::Narrow;
using zelcomtest::ReadFile;
using zelcomtest::Wide;

// What the host saw of one notification.
struct TNote {
    DWORDLONG Space;
    bool Last;
    std::u16string Text;  // the status text, "" for none
};

class HandlerFixture : public zelcomtest::TInstalledServerTest {
protected:
    HandlerFixture() : TInstalledServerTest("Tidewash.so") {}
    void SetUp() override;

    void WriteConfig(const std::string& text);
    // A file of the test volume with that many bytes; returns its path.
    fs::path MakeFile(const std::string& relative, std::uintmax_t size = 10);

    // A fresh handler object, initialised for the test volume.
    IEmptyVolumeCache2* CreateHandler(const std::string& volume = std::string());
    // GetSpaceUsed with a callback that records every notification and asks
    // to stop when abortAt (1-based count of intermediate notifications)
    // is reached.
    HRESULT Scan(IEmptyVolumeCache2* handler, DWORDLONG& space, std::vector<TNote>* notes = nullptr,
                 int abortAt = 0);
    HRESULT Purge(IEmptyVolumeCache2* handler, DWORDLONG toFree, std::vector<TNote>* notes = nullptr,
                  int abortAt = 0);
    struct TStats {
        LONGLONG SelectedCount, SelectedSize, TotalCount, TotalSize;
    };
    TStats Stats(IEmptyVolumeCache2* handler);

    std::string Volume() const { return volume.string() + "/"; }
    // The review window's module, installed beside the handler.
    fs::path ReviewModule() const;

    fs::path volume, outside;
};

}  // namespace handlertest
