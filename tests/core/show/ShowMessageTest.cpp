// The show messages: every kind survives its JSON unchanged, and the reader refuses hostile or
// foreign bytes with the right reason instead of reading part of them.
#include "show/ShowMessage.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

ShowRow RowOf(std::initializer_list<const char*> cells) {
    ShowRow row;
    std::size_t c = 0;
    for (const char* cell : cells)
        row[c++] = cell;
    return row;
}

TEST(ShowMessage, EveryKindReadsBackAsWritten) {
    SnapshotMessage snapshot{1733750000000,
                             42,
                             1733750000123,
                             {"Agility A3", "Halle \"Nord\"", "Jörg", "Large"},
                             {{"LaufCount", "2"}, {"Bonus", "1"}},
                             {RowOf({"7", "Rex", "</script>"}), ShowRow{}}};
    EventMessage event{7, 8, -5, ShowEventKind::Correction, {false, {RowOf({"7", "Rex"})}, {"12"}, {"7", "3"}}};
    EventMessage all{7, 9, 0, ShowEventKind::Entry, {true, {}, {}, {}}};
    LanesMessage lanes{99, {ShowLane{true, "7", "Rex", "Anna", "12,34", ShowLaneState::Finishing, true}, ShowLane{}}};
    const std::vector<ShowMessage> messages = {StateMessage{true, "station-a", 7, 12, 5},
                                               StateMessage{},
                                               snapshot,
                                               event,
                                               all,
                                               lanes,
                                               ResendMessage{"Ring 2", 7, 3}};
    for (const ShowMessage& m : messages) {
        const ShowReadResult read = ReadShowMessage(WriteShowMessage(m));
        ASSERT_TRUE(read.Ok()) << WriteShowMessage(m) << ": " << ShowReadErrorText(read.error);
        EXPECT_EQ(read.message, m) << WriteShowMessage(m);
    }
}

TEST(ShowMessage, DamagedUtf8IsSentAsReplacementCharacters) {
    EventMessage event{1, 1, 0, ShowEventKind::Entry, {false, {RowOf({"7", "R\xE9x"})}, {}, {}}};
    const ShowReadResult read = ReadShowMessage(WriteShowMessage(event));
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(std::get<EventMessage>(read.message).change.rows[0][1], "R\xEF\xBF\xBDx");
}

TEST(ShowMessage, AMessageBeyondTheLimitIsRefusedUnread) {
    std::string huge = WriteShowMessage(ResendMessage{"A", 1, 1});
    huge.append(ShowMessageMaxBytes, ' ');
    EXPECT_EQ(ReadShowMessage(huge).error, ShowReadError::TooLarge);
}

struct Refusal {
    const char* name;
    std::string bytes;
    ShowReadError error;
};

void PrintTo(const Refusal& refusal, std::ostream* os) {
    *os << refusal.name;
}

class ShowMessageRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ShowMessageRefusal, IsRefusedWithItsReason) {
    EXPECT_EQ(ReadShowMessage(GetParam().bytes).error, GetParam().error) << GetParam().bytes.substr(0, 200);
}

std::string Event(const std::string& fields) {
    return R"({"v":1,"type":"event","epoch":1,"seq":2,"time":0,"kind":"entry","replaceAll":false,)" + fields + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ShowMessageRefusal,
    ::testing::Values(
        Refusal{"Empty", "", ShowReadError::BadJson},
        Refusal{"Truncated", R"({"v":1,"type":"st)", ShowReadError::BadJson},
        Refusal{"NotAnObject", R"([1,2])", ShowReadError::BadJson},
        Refusal{"BadUtf8", "{\"v\":1,\"type\":\"s\xFFt\"}", ShowReadError::BadJson},
        Refusal{"DeepArrays", std::string(100000, '[') + std::string(100000, ']'), ShowReadError::TooDeep},
        Refusal{"DeepInsideAString", R"({"v":2,"type":"[[[[[[[[[[[["})", ShowReadError::UnknownVersion},
        Refusal{"NoVersion", R"({"type":"state"})", ShowReadError::UnknownVersion},
        Refusal{"NextVersion", R"({"v":2,"type":"state"})", ShowReadError::UnknownVersion},
        Refusal{"VersionAsText", R"({"v":"1","type":"state"})", ShowReadError::UnknownVersion},
        Refusal{"UnknownType", R"({"v":1,"type":"hello"})", ShowReadError::UnknownType},
        Refusal{"MissingField", R"({"v":1,"type":"state","online":true,"epoch":1,"time":0})", ShowReadError::BadField},
        Refusal{"NegativeEpoch", R"({"v":1,"type":"resend","ring":"A","epoch":-1,"after":0})", ShowReadError::BadField},
        Refusal{"FractionalSeq", R"({"v":1,"type":"resend","ring":"A","epoch":1,"after":0.5})",
                ShowReadError::BadField},
        Refusal{"HugeNumber", R"({"v":1,"type":"resend","ring":"A","epoch":1e30,"after":0})", ShowReadError::BadField},
        Refusal{"TimeBeyondInt64",
                R"({"v":1,"type":"state","online":true,"station":"a","epoch":1,"seq":0,)"
                R"("time":18446744073709551615})",
                ShowReadError::BadField},
        Refusal{"NumberAsText", R"({"v":1,"type":"resend","ring":5,"epoch":1,"after":0})", ShowReadError::BadField},
        Refusal{"RowOf21Cells",
                Event(R"("rows":[["","","","","","","","","","","","","","","","","","","","",""]],"removed":[],)"
                      R"("order":[])"),
                ShowReadError::BadField},
        Refusal{"CellNotText", Event(R"("rows":[[1]],"removed":[],"order":[])"), ShowReadError::BadField},
        Refusal{"CellTooLong",
                Event(R"("rows":[[")" + std::string(ShowMessageMaxText + 1, 'x') + R"("]],"removed":[],"order":[])"),
                ShowReadError::BadField},
        Refusal{"UnknownKind",
                R"({"v":1,"type":"event","epoch":1,"seq":2,"time":0,"kind":"undo","replaceAll":false,)"
                R"("rows":[],"removed":[],"order":[]})",
                ShowReadError::BadField},
        Refusal{"OneLane",
                R"({"v":1,"type":"lanes","time":0,"lanes":[{"inUse":true,"start":"","dog":"",)"
                R"("handler":"","time":"","state":"ready","dis":false}]})",
                ShowReadError::BadField},
        Refusal{"UnknownLaneState",
                R"({"v":1,"type":"lanes","time":0,"lanes":[)"
                R"({"inUse":true,"start":"","dog":"","handler":"","time":"","state":"x","dis":false},)"
                R"({"inUse":true,"start":"","dog":"","handler":"","time":"","state":"ready","dis":false}]})",
                ShowReadError::BadField},
        Refusal{"SettingNotAPair",
                R"({"v":1,"type":"snapshot","epoch":1,"seq":0,"time":0,"titles":{"title":"",)"
                R"("place":"","judge":"","category":""},"settings":[["a"]],"rows":[]})",
                ShowReadError::BadField}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace caniparc
