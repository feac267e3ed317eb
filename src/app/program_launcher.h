// Starts other programs of the desktop (the sound settings) without waiting for them. An
// interface so that the application model can be tested without starting anything.
#pragma once

#include <string>
#include <vector>

namespace bw {

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // Whether `program` is found on the search path.
    virtual bool isInstalled(const std::string& program) const = 0;
    // Starts `program` detached from this process; tells whether it could be started.
    virtual bool launch(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// Looks programs up on PATH and starts them detached.
class SystemProgramLauncher : public ProgramLauncher {
public:
    bool isInstalled(const std::string& program) const override;
    bool launch(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace bw
