// What every "brindlewick library ..." subcommand shares: the library root chosen by
// --library, BRINDLEWICK_LIBRARY or the standard location; a LibraryModel over it (so the
// commands behave as the application does; read-only for commands that only show the library)
// with a Qt event loop for its background work; and the lookup of recordings and groups by
// identifier, prefix or name.
#pragma once

#include "cli/argument_parser.h"
#include "library/import_queue.h"
#include "library/library_model.h"

#include <QCoreApplication>

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace bw::cli {

class LibrarySession {
public:
    // Throws FileError when the standard location cannot be created.
    explicit LibrarySession(const ParsedArguments& arguments,
                            LibraryModel::Access access = LibraryModel::Access::readWrite);
    ~LibrarySession();

    LibraryModel& model() { return *m_model; }
    // Where the commands' models raise their alerts; finish() prints them.
    AlertCentre& alerts() { return m_alertCentre; }
    LibraryNavigation& navigation() { return *m_navigation; }
    ImportQueue& imports() { return *m_imports; }

    // A full identifier or a unique case-insensitive prefix of one; throws otherwise.
    Uuid resolveItem(const std::string& text) const;
    // An identifier, a unique prefix of one or an exact name; throws otherwise.
    Uuid resolveGroup(const std::string& text) const;
    // As resolveGroup, with "none" meaning No Group.
    std::optional<Uuid> resolveDestination(const std::string& text) const;

    // Runs the event loop until the imports are done; returns the recordings they
    // created.
    std::vector<Uuid> waitForImports();

    // A failure to print as it is (not an alert), e.g. the group-name sheet's line.
    void reportProblem(std::string text) { m_problems.push_back(std::move(text)); }

    // Prints the alerts raised so far (title and message) and the problems reported to `err`;
    // returns the exit status: failed when there was any.
    int finish(std::ostream& err) const;

private:
    std::unique_ptr<QCoreApplication> m_application; // only when none exists yet
    AlertCentre m_alertCentre;
    std::unique_ptr<LibraryModel> m_model;
    std::unique_ptr<LibraryNavigation> m_navigation;
    std::unique_ptr<ImportQueue> m_imports;
    std::vector<AppAlert> m_alerts;
    std::vector<std::string> m_problems;
};

// The library folder: --library, else $BRINDLEWICK_LIBRARY, else the standard location. For
// `readWrite` the standard folder is created when missing (throws FileError when it cannot be);
// for `readOnly` nothing is created.
std::filesystem::path libraryRoot(const ParsedArguments& arguments,
                                  LibraryModel::Access access = LibraryModel::Access::readWrite);

// The --library option every library subcommand takes.
ArgumentParser& addLibraryOption(ArgumentParser& parser);

// Adds --library and parses; when help was asked for, prints it to standard output.
ParsedArguments parseLibraryArguments(ArgumentParser& parser,
                                      std::span<const std::string> arguments);

// Adds --library, parses `arguments` (printing the help when asked for), opens the library and
// runs `body`; returns the session's exit status. UsageError and other failures escape.
int runWithLibrary(ArgumentParser& parser, std::span<const std::string> arguments,
                   const std::function<void(const ParsedArguments&, LibrarySession&)>& body);
int runWithLibrary(ArgumentParser& parser, std::span<const std::string> arguments,
                   LibraryModel::Access access,
                   const std::function<void(const ParsedArguments&, LibrarySession&)>& body);

} // namespace bw::cli
