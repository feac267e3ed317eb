// The outside components shipped with the program, as the acknowledgements window lists them:
// read from Acknowledgements.json in the resources folder, with the full licence texts beside
// it (Licence-*.txt).
#pragma once

#include "platform/resource_bundle.h"

#include <optional>
#include <string>
#include <vector>

namespace bw::ui {

struct Acknowledgement {
    std::string id;
    std::string name;
    std::string role;
    std::string version;
    std::string source; // a web location without scheme
    std::string licence;
    std::string copyright;
    std::string licenceFile; // the licence text's resource name, without ".txt"
    std::vector<std::string> bundledFiles;

    friend bool operator==(const Acknowledgement&, const Acknowledgement&) = default;
};

namespace Acknowledgements {

// The components in the file's order. A model whose files are all missing from the bundle's
// Models folder is left out (only one Whisper model ships at a time). A missing or damaged
// file gives an empty list.
std::vector<Acknowledgement> all(const ResourceBundle& bundle);

// The text of "<licenceFile>.txt" in the bundle; none when it is missing or not UTF-8.
std::optional<std::string> licenceText(const Acknowledgement& entry, const ResourceBundle& bundle);

} // namespace Acknowledgements

} // namespace bw::ui
