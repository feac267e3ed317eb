#include "base/json_decoding_error.h"
#include "library/library_filter.h"
#include "library/library_json.h"
#include "library/recording_reference.h"
#include "library/text_comparison.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace bw {
namespace {

using nlohmann::json;

const std::string groupText = "0A1B2C3D-0000-4000-8000-00000000000A";

json minimalItem() {
    return json::parse(R"({"id": "6F9619FF-8B86-4D11-B42D-00C04FC964FF", "title": "Call",
        "createdAt": "2025-03-07T09:15:02Z", "duration": 61.5, "origin": "recorded",
        "state": "complete", "audioFileName": "audio.caf", "unknownKey": [1, 2]})");
}

TEST(LibraryItemJson, OptionalKeysStayAbsentThroughARoundTrip) {
    auto item = itemFromJson(minimalItem());
    EXPECT_EQ(item.id.string(), "6F9619FF-8B86-4D11-B42D-00C04FC964FF");
    EXPECT_EQ(item.createdAt.time_since_epoch().count(), 1741338902);
    EXPECT_FALSE(item.groupID);
    EXPECT_FALSE(item.consentConfirmedAt);
    auto encoded = toJson(item);
    EXPECT_FALSE(encoded.contains("groupID"));
    EXPECT_FALSE(encoded.contains("consentConfirmedAt"));
    EXPECT_FALSE(encoded.contains("systemAudioFileName"));
    EXPECT_FALSE(encoded.contains("unknownKey"));
    EXPECT_EQ(itemFromJson(encoded), item);
}

TEST(LibraryItemJson, OptionalKeysRoundTripWhenPresent) {
    auto value = minimalItem();
    value["groupID"] = "0a1b2c3d-0000-4000-8000-00000000000a";
    value["consentConfirmedAt"] = "2025-03-07T10:00:00Z";
    value["systemAudioFileName"] = "system.caf";
    auto item = itemFromJson(value);
    ASSERT_TRUE(item.groupID);
    EXPECT_EQ(item.systemAudioFileName, "system.caf");
    auto encoded = toJson(item);
    EXPECT_EQ(encoded["systemAudioFileName"], "system.caf");
    EXPECT_EQ(encoded["groupID"], groupText);
    EXPECT_EQ(encoded["consentConfirmedAt"], "2025-03-07T10:00:00Z");
    // Keys come out sorted, as the stored files require.
    std::string text = prettyJsonText(encoded);
    EXPECT_LT(text.find("\"audioFileName\""), text.find("\"consentConfirmedAt\""));
    EXPECT_LT(text.find("\"groupID\""), text.find("\"id\""));
}

struct Damage {
    const char* name;
    const char* key;
    json value; // null: remove the key
};

class UndecodableItem : public testing::TestWithParam<Damage> {};

TEST_P(UndecodableItem, Throws) {
    auto value = minimalItem();
    if (GetParam().value.is_null()) {
        value.erase(GetParam().key);
    } else {
        value[GetParam().key] = GetParam().value;
    }
    EXPECT_THROW(itemFromJson(value), JsonDecodingError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndecodableItem,
    testing::Values(Damage{"capitalizedOrigin", "origin", "Dictated"},
                    Damage{"unknownState", "state", "paused"},
                    Damage{"missingTitle", "title", nullptr},
                    Damage{"durationAsString", "duration", "12"},
                    Damage{"lowerCaseDate", "createdAt", "2025-03-07t09:15:02z"},
                    Damage{"fractionalDate", "createdAt", "2025-03-07T09:15:02.5Z"},
                    Damage{"impossibleDate", "createdAt", "2025-02-30T09:15:02Z"},
                    Damage{"badUuid", "id", "6F9619FF-8B86-4D11-B42D"},
                    Damage{"badGroupUuid", "groupID", "not-a-uuid"},
                    Damage{"groupIdNumber", "groupID", 7},
                    Damage{"audioOutsideFolder", "audioFileName", "../audio.caf"},
                    Damage{"systemAudioOutsideFolder", "systemAudioFileName", "a/../../b.caf"},
                    Damage{"systemAudioNumber", "systemAudioFileName", 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The second track's alignment: absent stays absent, present comes back as it was, and a
// damaged one is refused like any other damaged key.
TEST(LibraryItemJson, SystemAudioAlignmentRoundTripsAndIsChecked) {
    auto single = itemFromJson(minimalItem());
    EXPECT_EQ(single.systemAudioAlignment, std::nullopt);
    EXPECT_FALSE(toJson(single).contains("systemAudioAlignment"));

    auto value = minimalItem();
    value["systemAudioFileName"] = "system.caf";
    value["systemAudioAlignment"] = {{"offset", 0.0125}, {"driftPpm", -37.5}};
    auto item = itemFromJson(value);
    EXPECT_EQ(item.systemAudioAlignment, TrackAlignment(0.0125, -37.5));
    const auto encoded = toJson(item);
    EXPECT_EQ(encoded["systemAudioAlignment"], value["systemAudioAlignment"]);
    EXPECT_EQ(itemFromJson(encoded), item);
    auto moved = item;
    moved.systemAudioAlignment->offset = 0.5;
    EXPECT_NE(std::hash<LibraryItem>()(moved), std::hash<LibraryItem>()(item));

    for (const json& damaged :
         {json{{"offset", 0.1}}, json(3), json{{"offset", "0.1"}, {"driftPpm", 2}}}) {
        value["systemAudioAlignment"] = damaged;
        EXPECT_THROW(itemFromJson(value), JsonDecodingError) << damaged.dump();
    }
    value["systemAudioAlignment"] = nullptr;
    EXPECT_EQ(itemFromJson(value).systemAudioAlignment, std::nullopt);
}

TEST(LibraryRecords, EqualRecordsHashAlikeAndEveryFieldCounts) {
    auto item = itemFromJson(minimalItem());
    auto copy = item;
    EXPECT_EQ(std::hash<LibraryItem>()(copy), std::hash<LibraryItem>()(item));
    copy.groupID = Uuid::random();
    EXPECT_NE(copy, item);
    EXPECT_NE(std::hash<LibraryItem>()(copy), std::hash<LibraryItem>()(item));
    copy = item;
    copy.consentConfirmedAt = item.createdAt;
    EXPECT_NE(copy, item);
    copy = item;
    copy.systemAudioFileName = "system.caf";
    EXPECT_NE(copy, item);
    EXPECT_NE(std::hash<LibraryItem>()(copy), std::hash<LibraryItem>()(item));
    LibraryGroup group{Uuid::random(), "Team", {}};
    auto renamed = group;
    renamed.name = "team";
    EXPECT_NE(renamed, group);
    EXPECT_NE(std::hash<LibraryGroup>()(renamed), std::hash<LibraryGroup>()(group));
}

TEST(LibraryItemJson, DictatedOriginDecodes) {
    auto value = minimalItem();
    value["origin"] = "dictated";
    EXPECT_EQ(itemFromJson(value).origin, LibraryItem::Origin::dictated);
}

TEST(LibraryGroupJson, RoundTripsAndRequiresEveryKey) {
    LibraryGroup group{Uuid::random(), "Team", std::chrono::sys_seconds(std::chrono::seconds(5))};
    EXPECT_EQ(groupFromJson(toJson(group)), group);
    for (const char* key : {"id", "name", "createdAt"}) {
        auto value = toJson(group);
        value.erase(key);
        EXPECT_THROW(groupFromJson(value), JsonDecodingError) << key;
    }
}

TEST(LibraryFilter, ParsesStoredValues) {
    struct Case {
        std::string text;
        std::optional<LibraryFilter> expected;
    };
    auto id = *Uuid::parse(groupText);
    std::vector<Case> cases = {
        {"all", LibraryFilter::all()},
        {"notFiled", LibraryFilter::notFiled()},
        {"ALL", std::nullopt},
        {"notfiled", std::nullopt},
        {"", std::nullopt},
        {"0a1b2c3d-0000-4000-8000-00000000000a", LibraryFilter::group(id)},
        {"0A1B2C3D00004000800000000000000A", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LibraryFilter::fromStoredValue(c.text), c.expected) << c.text;
        if (c.expected) {
            EXPECT_EQ(LibraryFilter::fromStoredValue(c.expected->storedValue()), c.expected);
        }
    }
    EXPECT_EQ(LibraryFilter::group(id).storedValue(), groupText);
}

TEST(LibraryOrder, NewestFirstThenGreaterIdentifierFirst) {
    auto at = [](std::int64_t seconds, const char* id) {
        LibraryItem item;
        item.createdAt = std::chrono::sys_seconds(std::chrono::seconds(seconds));
        item.id = *Uuid::parse(id);
        return item;
    };
    std::vector<LibraryItem> items = {at(100, "10000000-0000-4000-8000-000000000000"),
                                      at(200, "A0000000-0000-4000-8000-000000000000"),
                                      at(200, "B0000000-0000-4000-8000-000000000000"),
                                      at(150, "F0000000-0000-4000-8000-000000000000")};
    sortInLibraryOrder(items);
    std::vector<std::string> order;
    for (const auto& item : items) {
        order.push_back(item.id.string().substr(0, 1));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"B", "A", "F", "1"}));
}

TEST(LibraryOrder, GroupsByLocalizedNumericNameThenIdentifier) {
    auto named = [](const char* name, const char* id) {
        return LibraryGroup{*Uuid::parse(id), name, {}};
    };
    std::vector<LibraryGroup> groups = {named("Team 10", "00000000-0000-4000-8000-000000000001"),
                                        named("team 2", "00000000-0000-4000-8000-000000000002"),
                                        named("Alpha", "00000000-0000-4000-8000-000000000003"),
                                        named("alpha", "00000000-0000-4000-8000-000000000000")};
    sortInGroupOrder(groups);
    std::vector<std::string> names;
    for (const auto& group : groups) {
        names.push_back(group.name);
    }
    // "alpha" and "Alpha" compare equal, so the smaller identifier comes first.
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Alpha", "team 2", "Team 10"}));
}

TEST(TextComparison, IgnoresCaseOnly) {
    EXPECT_TRUE(equalIgnoringCase("TEAM", "team"));
    EXPECT_TRUE(equalIgnoringCase("ÜBER", "über"));
    EXPECT_FALSE(equalIgnoringCase("Uber", "Über"));
    EXPECT_FALSE(equalIgnoringCase("team ", "team"));
}

TEST(RecordingReference, EncodesAsAnObjectWithTheIdentifier) {
    RecordingReference reference{Uuid::random()};
    EXPECT_EQ(reference.encoded(), "{\"id\":\"" + reference.id.string() + "\"}");
    EXPECT_EQ(RecordingReference::decode(reference.encoded()), reference);
    EXPECT_FALSE(RecordingReference::decode("{\"id\": 3}"));
    EXPECT_FALSE(RecordingReference::decode("[]"));
    EXPECT_EQ(RecordingReference::contentType, "com.brindlewick.recording-reference");
}

} // namespace
} // namespace bw
