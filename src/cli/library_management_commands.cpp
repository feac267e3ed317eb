#include "cli/library_command.h"

#include "base/duration_format.h"
#include "base/iso_date.h"
#include "cli/exit_code.h"
#include "cli/library_session.h"
#include "cli/tab_separated_field.h"
#include "cli/usage_error.h"
#include "library/library_json.h"

#include <iostream>
#include <map>

namespace bw::cli {

namespace {

// The groups' names by identifier, looked up once per item: the model's lookup goes through
// the whole list, which grows with the square of the count over a long listing.
using GroupNames = std::map<Uuid, std::string>;

GroupNames groupNames(const LibraryModel& model) {
    GroupNames names;
    for (const auto& group : model.groups()) {
        names.emplace(group.id, group.name);
    }
    return names;
}

std::string groupLabel(const GroupNames& names, const std::optional<Uuid>& id) {
    auto found = id ? names.find(*id) : names.end();
    return found != names.end() ? found->second : "No Group";
}

void printItem(std::ostream& out, const GroupNames& names, const LibraryItem& item) {
    out << item.id.string() << "\t" << iso8601String(item.createdAt) << "\t"
        << Formatting::duration(item.duration) << "\t" << rawValue(item.state) << "\t"
        << tabSeparatedField(groupLabel(names, item.groupID)) << "\t"
        << tabSeparatedField(item.title) << "\n";
}

// Prints the JSON array of `values`' encoded forms.
template <typename Range> void printJsonArray(const Range& values) {
    auto list = nlohmann::json::array();
    for (const auto& value : values) {
        list.push_back(toJson(value));
    }
    std::cout << prettyJsonText(list);
}

int runList(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library list [--group NAME|ID|none] [--json] [options]",
                          "Lists the recordings, newest first.");
    parser.option("--group", "GROUP", "only the recordings of this group, or of none")
        .flag("--json", "print a JSON array of item objects");
    return runWithLibrary(
        parser, arguments, LibraryModel::Access::readOnly,
        [](const ParsedArguments& parsed, LibrarySession& session) {
            auto& model = session.model();
            auto filter = LibraryFilter::all();
            if (auto group = parsed.option("--group")) {
                auto id = session.resolveDestination(*group);
                filter = id ? LibraryFilter::group(*id) : LibraryFilter::notFiled();
            }
            auto items = model.itemsIn(filter);
            // Not silently left out: the user would think it lost.
            for (const auto& file : model.store().unreadableItemFiles(model.items())) {
                session.reportProblem("The recording in " + file.parent_path().filename().string() +
                                      " isn't listed: its item.json can't be read and may be "
                                      "damaged. Its audio is still in " +
                                      file.parent_path().string() + ".");
            }
            if (parsed.flag("--json")) {
                printJsonArray(items);
                return;
            }
            const auto names = groupNames(model);
            for (const auto& item : items) {
                printItem(std::cout, names, item);
            }
        });
}

int runGroups(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library groups [--json] [options]",
                          "Lists the groups in name order with their number of recordings.");
    parser.flag("--json", "print a JSON array of group objects");
    return runWithLibrary(parser, arguments, LibraryModel::Access::readOnly,
                          [](const ParsedArguments& parsed, LibrarySession& session) {
                              auto& model = session.model();
                              if (parsed.flag("--json")) {
                                  printJsonArray(model.groups());
                                  return;
                              }
                              // Counted in one pass over the items.
                              std::map<Uuid, std::size_t> counts;
                              for (const auto& item : model.items()) {
                                  if (item.groupID) {
                                      ++counts[*item.groupID];
                                  }
                              }
                              for (const auto& group : model.groups()) {
                                  auto found = counts.find(group.id);
                                  std::cout << group.id.string() << "\t"
                                            << (found == counts.end() ? 0 : found->second) << "\t"
                                            << tabSeparatedField(group.name) << "\n";
                              }
                          });
}

int runGroup(std::span<const std::string> arguments) {
    std::string action = arguments.empty() ? "" : arguments.front();
    ArgumentParser parser(
        "brindlewick library group create NAME | rename GROUP NAME | delete GROUP [options]",
        "Creates, renames or deletes a group. GROUP is an identifier, a unique prefix of one, "
        "or the group's exact name.");
    if (action == "create") {
        parser.positionals("NAME", "the new group's name", 1, 1);
    } else if (action == "rename") {
        parser.positionals("GROUP NAME", "the group and its new name", 2, 2);
    } else if (action == "delete") {
        parser.positionals("GROUP", "the group to delete; its recordings stay, in no group", 1, 1);
    } else {
        if (parseLibraryArguments(parser, arguments).helpRequested) {
            return exitDone;
        }
        throw UsageError(action.empty() ? "missing create, rename or delete"
                                        : "unknown action \"" + action + "\"");
    }
    return runWithLibrary(
        parser, arguments.subspan(1), [&](const ParsedArguments& parsed, LibrarySession& session) {
            auto& model = session.model();
            const auto& values = parsed.positionals;
            if (action == "delete") {
                model.changes().deleteGroup(session.resolveGroup(values[0]));
                return;
            }
            try {
                if (action == "create") {
                    auto group = model.changes().createGroup(values[0], {});
                    std::cout << group.id.string() << "\t" << tabSeparatedField(group.name) << "\n";
                } else {
                    model.changes().renameGroup(session.resolveGroup(values[0]), values[1]);
                }
            } catch (const std::exception& error) {
                // Name problems read as the group-name sheet shows them.
                session.reportProblem(groupNameProblem(error));
            }
        });
}

int runImport(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library import FILE... [--group GROUP] [options]",
                          "Copies m4a, mp3 and wav files into the library.");
    parser.option("--group", "GROUP", "file the new recordings in this group")
        .positionals("FILE", "the audio files to import", 1, -1);
    return runWithLibrary(
        parser, arguments, [](const ParsedArguments& parsed, LibrarySession& session) {
            auto& model = session.model();
            // New recordings go to the group the library shows, as when importing in the window.
            if (auto group = parsed.option("--group")) {
                auto id = session.resolveDestination(*group);
                session.navigation().setFilter(id ? LibraryFilter::group(*id)
                                                  : LibraryFilter::notFiled());
            }
            session.imports().importFiles({parsed.positionals.begin(), parsed.positionals.end()});
            // Only what this command created: other processes may import at the same time.
            const auto imported = session.waitForImports();
            const auto names = groupNames(model);
            for (const auto& id : imported) {
                if (auto item = model.item(id)) {
                    printItem(std::cout, names, *item);
                }
            }
        });
}

int runRename(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library rename ITEM TITLE [options]",
                          "Gives a recording a new title. ITEM is an identifier or a unique "
                          "prefix of one.");
    parser.positionals("ITEM TITLE", "the recording and its new title", 2, 2);
    return runWithLibrary(
        parser, arguments, [](const ParsedArguments& parsed, LibrarySession& session) {
            session.model().changes().rename(session.resolveItem(parsed.positionals[0]),
                                             parsed.positionals[1]);
        });
}

int runMove(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library move ITEM... --to GROUP|none [options]",
                          "Files recordings in a group, or in no group.");
    parser.option("--to", "GROUP", "the group, or none")
        .positionals("ITEM", "the recordings to move", 1, -1);
    return runWithLibrary(
        parser, arguments, [](const ParsedArguments& parsed, LibrarySession& session) {
            auto destination = parsed.option("--to");
            if (!destination) {
                throw UsageError("missing --to GROUP|none");
            }
            std::vector<Uuid> ids;
            for (const auto& text : parsed.positionals) {
                ids.push_back(session.resolveItem(text));
            }
            session.model().changes().move(ids, session.resolveDestination(*destination));
        });
}

int runDelete(std::span<const std::string> arguments) {
    ArgumentParser parser("brindlewick library delete ITEM [options]",
                          "Deletes a recording with its audio and transcript, permanently.");
    parser.positionals("ITEM", "the recording", 1, 1);
    return runWithLibrary(
        parser, arguments, [](const ParsedArguments& parsed, LibrarySession& session) {
            session.model().changes().deleteItem(session.resolveItem(parsed.positionals[0]));
        });
}

} // namespace

std::vector<Command> libraryManagementSubcommands() {
    return {
        {"list", "list the recordings", runList},
        {"groups", "list the groups", runGroups},
        {"group", "create, rename or delete a group", runGroup},
        {"import", "import audio files", runImport},
        {"rename", "rename a recording", runRename},
        {"move", "move recordings to a group", runMove},
        {"delete", "delete a recording", runDelete},
    };
}

} // namespace bw::cli
