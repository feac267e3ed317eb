// A command line that does not fit the command; what() says what is wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace bw::cli {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace bw::cli
