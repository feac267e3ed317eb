// A launcher that runs nothing: it knows the programs a test says are installed and remembers
// every command line it was asked to launch.
#pragma once

#include "app/program_launcher.h"

#include <set>
#include <string>
#include <vector>

namespace bw {

class FakeProgramLauncher : public ProgramLauncher {
public:
    bool isInstalled(const std::string& program) const override {
        return installed.count(program) > 0;
    }
    bool launch(const std::string& program, const std::vector<std::string>& arguments) override {
        std::string call = program;
        for (const auto& argument : arguments) {
            call += " " + argument;
        }
        launched.push_back(call);
        return true;
    }
    std::set<std::string> installed;
    std::vector<std::string> launched;
};

} // namespace bw
