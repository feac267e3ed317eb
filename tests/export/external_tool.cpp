#include "external_tool.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <sys/wait.h>

namespace bw::test {

CommandResult runCommand(const std::string& commandLine, int timeoutSeconds) {
    const std::string wrapped = "timeout -k 10 " + std::to_string(timeoutSeconds) + " sh -c " +
                                shellQuoted(commandLine) + " 2>&1";
    CommandResult result;
    FILE* pipe = popen(wrapped.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, count);
    }
    const int status = pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool haveProgram(std::string_view name) {
    return runCommand("command -v " + shellQuoted(std::string(name)), 10).exitStatus == 0;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void writeFile(const std::filesystem::path& path, std::string_view text) {
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool inContinuousIntegration() {
    return std::getenv("CI") != nullptr;
}

} // namespace bw::test
