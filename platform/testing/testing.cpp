// The test helpers every platform shares: whole files written and read.
#include "TempFolder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace twstesting {

void WriteFile(const fs::path& file, const std::string& text)
{
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace twstesting
