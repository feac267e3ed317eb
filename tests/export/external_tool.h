// Test helpers for checking exported files with independent programs (Python's zipfile,
// LibreOffice, FFmpeg): a way to run a shell command, with the shared temporary folder.
#pragma once

#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bw::test {

struct CommandResult {
    int exitStatus = -1;
    std::string output; // standard output and standard error, interleaved
};

// Runs the command line with /bin/sh, killed after `timeoutSeconds`.
CommandResult runCommand(const std::string& commandLine, int timeoutSeconds = 120);

// Whether the program is found on PATH.
bool haveProgram(std::string_view name);

// Single-quoted for the shell.
std::string shellQuoted(const std::string& text);

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeFile(const std::filesystem::path& path, std::string_view text);
std::string readFile(const std::filesystem::path& path);

// True when running in CI, where a missing tool is a failure instead of a skip.
bool inContinuousIntegration();

} // namespace bw::test

// Skips the test when the program is not installed, or fails it in CI.
#define BW_REQUIRE_PROGRAM(name)                                                                   \
    do {                                                                                           \
        if (!::bw::test::haveProgram(name)) {                                                      \
            if (::bw::test::inContinuousIntegration())                                             \
                FAIL() << name << " is missing";                                                   \
            GTEST_SKIP() << name << " is missing";                                                 \
        }                                                                                          \
    } while (false)
