// A registry prefix of its own for each test: tests run in parallel.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "AtomicFile.hpp"

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("tws_reg_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
               info->name());
        std::filesystem::remove_all(dir);
        ::setenv("TIDEWASH_REGISTRY", dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string File(const char* root) const { return (dir / (std::string(root) + ".reg")).string(); }
    std::string Contents(const char* root) const
    {
        std::string s;
        vcl::ReadWholeFile(File(root), s);
        return s;
    }
    bool Has(const char* root, const std::string& text) const { return Contents(root).find(text) != std::string::npos; }
    void Put(const char* root, const std::string& text) const
    {
        std::filesystem::create_directories(dir);
        vcl::AtomicReplaceFile(File(root), text);
    }

    std::filesystem::path dir;
};
