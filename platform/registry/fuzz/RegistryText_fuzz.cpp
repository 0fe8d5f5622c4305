// Fuzzer for the registry's file text. Properties: a text either reads as a
// tree or is refused with RegTextError (no other failure); a tree read is
// written as text that reads back as the same tree, and writing that tree
// again gives the same text.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RegistryText.h"

using namespace twsregistry;

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "registry text fuzz check failed: %s\n", what);
        std::abort();
    }
}

bool SameTree(const RegKey& a, const RegKey& b)
{
    if (a.Name() != b.Name() || a.Values().size() != b.Values().size() ||
        a.Children().size() != b.Children().size())
        return false;
    for (std::size_t i = 0; i < a.Values().size(); ++i) {
        const RegValue& x = a.Values()[i];
        const RegValue& y = b.Values()[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            return false;
    }
    for (std::size_t i = 0; i < a.Children().size(); ++i)
        if (!SameTree(*a.Children()[i], *b.Children()[i]))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 8192)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string root = "HKEY_CURRENT_USER";
    std::unique_ptr<RegKey> tree;
    try {
        tree = ParseRegistryText(text, root);
    } catch (const RegTextError& e) {
        Require(e.Line() >= 0, "a refusal names no line");
        return 0;
    }
    Require(tree != nullptr, "a text read as no tree");
    const std::string written = FormatRegistryText(*tree, root);
    std::unique_ptr<RegKey> again;
    try {
        again = ParseRegistryText(written, root);
    } catch (const RegTextError& e) {
        std::fprintf(stderr, "line %d: %s\n", e.Line(), e.what());
        Require(false, "the written text is refused");
    }
    Require(SameTree(*tree, *again), "the written text reads as another tree");
    Require(FormatRegistryText(*again, root) == written, "writing the tree read back changes the text");
    return 0;
}
