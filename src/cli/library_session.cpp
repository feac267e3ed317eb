#include "cli/library_session.h"

#include "base/ascii_case.h"
#include "cli/exit_code.h"
#include "platform/library_location.h"

#include <QEventLoop>

#include <cstdlib>
#include <iostream>
#include <stdexcept>

namespace bw::cli {

std::filesystem::path libraryRoot(const ParsedArguments& arguments, LibraryModel::Access access) {
    if (auto option = arguments.option("--library")) {
        return *option;
    }
    if (const char* value = std::getenv("BRINDLEWICK_LIBRARY"); value && value[0] != '\0') {
        return value;
    }
    // Only a command that changes the library makes its folder.
    return access == LibraryModel::Access::readOnly ? standardLibraryRoot()
                                                    : LibraryStore::defaultRootURL();
}

namespace {

// The one identifier among `ids` that `text` names fully or by a unique prefix.
template <typename Range>
std::optional<Uuid> uniqueByPrefix(const Range& ids, const std::string& text,
                                   const std::string& what) {
    std::string prefix = lowercasedAscii(text);
    std::optional<Uuid> found;
    int matches = 0;
    for (const Uuid& id : ids) {
        std::string candidate = lowercasedAscii(id.string());
        if (candidate == prefix) {
            return id;
        }
        if (!prefix.empty() && candidate.starts_with(prefix)) {
            found = id;
            ++matches;
        }
    }
    if (matches > 1) {
        throw std::runtime_error("“" + text + "” matches more than one " + what +
                                 ". Give more of its identifier.");
    }
    return found;
}

char* applicationName() {
    static char name[] = "brindlewick";
    return name;
}

} // namespace

LibrarySession::LibrarySession(const ParsedArguments& arguments, LibraryModel::Access access) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char* argv[] = {applicationName(), nullptr};
        m_application = std::make_unique<QCoreApplication>(argc, argv);
    }
    // No user defaults: a command never changes the application's sidebar selection. A command
    // reads the library once, so it does not watch it.
    auto record = [this] {
        if (m_alertCentre.alert()) {
            m_alerts.push_back(*m_alertCentre.alert());
        }
    };
    QObject::connect(&m_alertCentre, &AlertCentre::alertChanged, record);
    m_model =
        std::make_unique<LibraryModel>(LibraryStore(libraryRoot(arguments, access)), m_alertCentre,
                                       access, LibraryModel::OutsideChanges::ignored);
    m_navigation = std::make_unique<LibraryNavigation>(*m_model, nullptr);
    m_imports = std::make_unique<ImportQueue>(*m_model, *m_navigation, m_alertCentre);
}

LibrarySession::~LibrarySession() = default;

Uuid LibrarySession::resolveItem(const std::string& text) const {
    std::vector<Uuid> ids;
    for (const auto& item : m_model->items()) {
        ids.push_back(item.id);
    }
    if (auto id = uniqueByPrefix(ids, text, "recording")) {
        return *id;
    }
    throw std::runtime_error("No recording matches “" + text + "”.");
}

Uuid LibrarySession::resolveGroup(const std::string& text) const {
    std::vector<Uuid> ids;
    for (const auto& group : m_model->groups()) {
        if (group.name == text) {
            return group.id;
        }
        ids.push_back(group.id);
    }
    if (auto id = uniqueByPrefix(ids, text, "group")) {
        return *id;
    }
    throw std::runtime_error("No group matches “" + text + "”.");
}

std::optional<Uuid> LibrarySession::resolveDestination(const std::string& text) const {
    if (text == "none") {
        return std::nullopt;
    }
    return resolveGroup(text);
}

std::vector<Uuid> LibrarySession::waitForImports() {
    std::vector<Uuid> imported;
    if (!m_imports->isImporting()) {
        return imported;
    }
    QEventLoop loop;
    QObject::connect(m_imports.get(), &ImportQueue::importFinished, &loop,
                     [&](const std::vector<Uuid>& batch) {
                         imported.insert(imported.end(), batch.begin(), batch.end());
                         if (!m_imports->isImporting()) {
                             loop.quit();
                         }
                     });
    loop.exec();
    return imported;
}

int LibrarySession::finish(std::ostream& err) const {
    for (const auto& alert : m_alerts) {
        err << alert.title << "\n" << alert.message << "\n";
    }
    for (const auto& problem : m_problems) {
        err << problem << "\n";
    }
    return m_alerts.empty() && m_problems.empty() ? exitDone : exitFailed;
}

ArgumentParser& addLibraryOption(ArgumentParser& parser) {
    return parser.option("--library", "DIR",
                         "the library folder (default: $BRINDLEWICK_LIBRARY, else "
                         "~/.local/share/Brindlewick/Library)");
}

ParsedArguments parseLibraryArguments(ArgumentParser& parser,
                                      std::span<const std::string> arguments) {
    addLibraryOption(parser);
    auto parsed = parser.parse(arguments);
    if (parsed.helpRequested) {
        std::cout << parser.helpText();
    }
    return parsed;
}

int runWithLibrary(ArgumentParser& parser, std::span<const std::string> arguments,
                   const std::function<void(const ParsedArguments&, LibrarySession&)>& body) {
    return runWithLibrary(parser, arguments, LibraryModel::Access::readWrite, body);
}

int runWithLibrary(ArgumentParser& parser, std::span<const std::string> arguments,
                   LibraryModel::Access access,
                   const std::function<void(const ParsedArguments&, LibrarySession&)>& body) {
    auto parsed = parseLibraryArguments(parser, arguments);
    if (parsed.helpRequested) {
        return exitDone;
    }
    LibrarySession session(parsed, access);
    body(parsed, session);
    return session.finish(std::cerr);
}

} // namespace bw::cli
