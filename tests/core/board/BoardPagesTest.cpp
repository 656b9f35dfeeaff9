// The show board's pages as a browser gets them: what the results office, the speaker and the
// phones see of the rings the board holds, fed the messages a station sends.
#include "board/BoardPages.h"
#include "board/BoardRequest.h"
#include "board/BoardView.h"
#include "show/ShowTopics.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

constexpr std::int64_t T0 = 1'700'000'000'000; // a board's wall clock, ms

ShowRow Row(const std::string& number, const std::string& dog, const std::string& time = {},
            const std::string& place = {}) {
    ShowRow row;
    row[ColStartNr] = number;
    row[ColDogName] = dog;
    row[ColHandler] = "HF " + number;
    row[ColTime1] = time;
    row[ColPlace] = place;
    return row;
}

class Feed {
public:
    explicit Feed(ShowBoard& board, std::string ring = "Ring 1") : board_(board), ring_(std::move(ring)) {}
    void State(std::uint64_t seq, std::int64_t nowMs, bool online = true, std::int64_t stationAheadMs = 0) {
        Send(RingTopic::State, StateMessage{online, "st", Epoch, seq, nowMs + stationAheadMs}, nowMs);
    }
    void Snapshot(std::vector<ShowRow> rows, std::int64_t nowMs, std::string laufCount = "1") {
        SnapshotMessage s{Epoch, seq_, nowMs, {"Jumping", "Halle", "Richter", "A3"}, {{"LaufCount", laufCount}}, {}};
        s.rows = std::move(rows);
        Send(RingTopic::Snapshot, s, nowMs);
    }
    // One entry: the starter's row with its time, and the rows whose places moved.
    void Entry(std::vector<ShowRow> rows, std::int64_t nowMs, ShowEventKind kind = ShowEventKind::Entry) {
        EventMessage e{Epoch, ++seq_, nowMs, kind, {}};
        e.change.rows = std::move(rows);
        Send(RingTopic::Events, e, nowMs);
    }
    void Lanes(std::string number, std::string dog, std::string time, std::int64_t nowMs) {
        LanesMessage lanes{nowMs, {}};
        lanes.lanes[0] = {true, std::move(number), std::move(dog), "HF", std::move(time), ShowLaneState::Running,
                          false};
        Send(RingTopic::Lanes, lanes, nowMs);
    }
    bool Raw(RingTopic topic, std::string_view bytes, std::int64_t nowMs) {
        return board_.Receive(RingTopicName(board_.Show(), ring_, topic), bytes, nowMs);
    }

private:
    static constexpr std::uint64_t Epoch = 7;
    void Send(RingTopic topic, const ShowMessage& message, std::int64_t nowMs) {
        ASSERT_TRUE(Raw(topic, WriteShowMessage(message), nowMs));
    }
    ShowBoard& board_;
    std::string ring_;
    std::uint64_t seq_ = 0;
};

bool Has(const std::string& page, const std::string& text) {
    return page.find(text) != std::string::npos;
}

BoardClock At(std::int64_t nowMs) {
    return {nowMs, 3'600'000}; // an hour east of UTC
}

TEST(BoardPages, Office_ShowsEachRingsConnectionBacklogOffsetAndProtocol) {
    ShowBoard board("Cup");
    Feed one(board, "Ring 1"), two(board, "Ring 2");
    one.Snapshot({Row("1", "Aron"), Row("2", "Bela")}, T0);
    one.Entry({Row("1", "Aron", "31,20", "1")}, T0 + 1000);
    one.State(4, T0 + 2000, true, 1500); // the station has given 4, the board holds 1
    two.Snapshot({Row("9", "Zora")}, T0);
    two.State(0, T0);
    const std::int64_t now = T0 + 7000; // ring 2 silent for 7 s
    const std::string page = OfficePageHtml(board, At(now));
    EXPECT_TRUE(Has(page, "<td>Ring 1</td><td class=\"on\">online</td><td>23:13:22 (vor 5 s)</td><td>3</td>"
                          "<td>+1,5 s</td><td>Jumping A3</td><td>Daten vom 23:13:21 (vor 6 s)</td>"))
        << page;
    EXPECT_TRUE(Has(page, "<td>Ring 2</td><td class=\"off\">offline</td>")) << page;
    EXPECT_TRUE(Has(page, "<td>31,20</td>"));
    EXPECT_TRUE(Has(page, "<td>Zora</td>"));
    EXPECT_TRUE(Has(page, "<a href=\"/export/Ring%201.xlsx\">"));
    EXPECT_TRUE(Has(page, "Seite vom 23:13:27"));
    EXPECT_TRUE(Has(page, "<meta http-equiv=\"refresh\""));
}

TEST(BoardPages, Office_SaysWhenTheBoardLostTheBrokerAndRoundsTheOffset) {
    ShowBoard board("Cup");
    Feed behind(board, "A"), level(board, "B");
    behind.State(0, T0, true, -1260);
    level.State(0, T0, true, -40); // transit alone: no offset worth a sign
    const std::string page = OfficePageHtml(board, At(T0), false);
    EXPECT_TRUE(Has(page, "Broker: <span class=\"off\">getrennt")) << page;
    EXPECT_TRUE(Has(page, "<td>-1,3 s</td>")) << page;
    EXPECT_TRUE(Has(page, "<td>0,0 s</td>")) << page;
    EXPECT_TRUE(Has(OfficePageHtml(board, At(T0), true), "Broker: <span class=\"on\">verbunden</span>"));
}

TEST(BoardPages, ARingRestoredFromTheBoardsCopyKeepsTheAgeOfItsDataAndTheLastResults) {
    ShowBoard board("Cup");
    Feed feed(board);
    feed.Snapshot({Row("1", "Aron"), Row("2", "Bela"), Row("3", "Cara")}, T0);
    // Entered out of the table's order: the list cannot be told from the rows alone.
    feed.Entry({Row("3", "Cara", "30,10", "1")}, T0 + 1000);
    feed.Entry({Row("1", "Aron", "31,20", "2")}, T0 + 4000);
    ShowBoard restarted("Cup");
    restarted.Restore("Ring 1", board.Rings().at("Ring 1").ToCopy());
    EXPECT_TRUE(Has(OfficePageHtml(restarted, At(T0 + 9000)), "<td>Daten vom 23:13:24 (vor 5 s)</td>"));
    const auto last = [](const ShowBoard& b) {
        std::vector<std::string> numbers;
        for (const SpeakerStarter& starter : MakeSpeakerRing(b.Rings().at("Ring 1"), T0 + 9000).last)
            numbers.push_back(starter.startNumber);
        return numbers;
    };
    EXPECT_EQ(last(board), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(last(restarted), last(board));
}

TEST(BoardPages, Office_TakesARetainedStateForNoSignOfLife) {
    ShowBoard board("Cup");
    const std::string topic = RingTopicName("Cup", "Ring 1", RingTopic::State);
    // What the broker kept from a station gone six minutes ago: neither online nor its clock.
    const std::string old = WriteShowMessage(StateMessage{true, "st", 7, 0, T0 - 360'000});
    ASSERT_TRUE(board.Receive(topic, old, T0, true));
    std::string page = OfficePageHtml(board, At(T0));
    EXPECT_TRUE(Has(page, "<td>Ring 1</td><td class=\"off\">offline</td><td>noch nichts</td><td>0</td><td>-</td>"))
        << page;
    ASSERT_TRUE(board.Receive(topic, WriteShowMessage(StateMessage{true, "st", 7, 0, T0 + 200}), T0 + 100));
    page = OfficePageHtml(board, At(T0 + 100));
    EXPECT_TRUE(Has(page, "<td class=\"on\">online</td><td>23:13:20 (vor 0 s)</td><td>0</td><td>+0,1 s</td>")) << page;
}

TEST(BoardPages, Office_CountsTheMessagesItIgnored) {
    ShowBoard board("Cup");
    Feed feed(board);
    EXPECT_FALSE(feed.Raw(RingTopic::Events, "{nicht json", T0));
    EXPECT_FALSE(feed.Raw(RingTopic::Events, R"({"v":99,"type":"event"})", T0));
    EXPECT_FALSE(feed.Raw(RingTopic::Events, std::string(ShowMessageMaxBytes + 1, ' '), T0));
    const std::string page = OfficePageHtml(board, At(T0));
    EXPECT_TRUE(Has(page, "Verworfene Nachrichten: 3 (zu groß: 1, kein JSON: 1, unbekannte Version: 1)")) << page;
}

TEST(BoardPages, EveryPage_EscapesWhatTheStationsSent) {
    ShowBoard board("Cup");
    Feed feed(board, "R<1>");
    feed.Snapshot({Row("1", "<script>alert(1)</script>")}, T0);
    feed.Lanes("1", "<img src=x>", "1,0", T0);
    feed.State(0, T0);
    const BoardClock clock = At(T0);
    for (const std::string& page :
         {OfficePageHtml(board, clock), SpeakerPageHtml(board, clock), IndexPageHtml(board, clock),
          AnswerBoard(board, {clock, true, {}}, "/ring/R<1>").body}) {
        EXPECT_FALSE(Has(page, "<script>alert")) << page;
        EXPECT_FALSE(Has(page, "<img")) << page;
        EXPECT_FALSE(Has(page, "R<1>")) << page;
    }
    EXPECT_TRUE(Has(IndexPageHtml(board, clock), "href=\"/ring/R%3C1%3E\""));
}

TEST(BoardPages, Speaker_ShowsTheDogOnCourseTheNextThreeAndTheLastResults) {
    ShowBoard board("Cup");
    Feed feed(board);
    feed.Snapshot(
        {Row("1", "Aron"), Row("2", "Bela"), Row("3", "Cara"), Row("4", "Dino"), Row("5", "Emil"), Row("6", "Fay")},
        T0);
    feed.Entry({Row("1", "Aron", "31,20", "1")}, T0 + 1000);
    // Bela beats Aron: both rows change, only Bela was entered.
    feed.Entry({Row("1", "Aron", "31,20", "2"), Row("2", "Bela", "29,85", "1")}, T0 + 2000);
    feed.Entry({Row("1", "Aron", "31,20", "2")}, T0 + 2500, ShowEventKind::Correction);
    feed.Lanes("3", "Cara", "12,34", T0 + 3000);
    feed.State(3, T0 + 3000);
    const std::string page = SpeakerPageHtml(board, At(T0 + 3500));
    EXPECT_TRUE(Has(page, "Bahn 1: Nr. 3 Cara &ndash; HF <span class=\"t\">12,34</span> läuft")) << page;
    EXPECT_TRUE(Has(page, "<b>Als Nächste</b>\n<ul><li>Nr. 4 Dino &ndash; HF 4</li><li>Nr. 5 Emil &ndash; HF 5</li>"
                          "<li>Nr. 6 Fay &ndash; HF 6</li></ul>"))
        << page;
    EXPECT_TRUE(Has(page, "<ul><li>Nr. 2 Bela &ndash; HF 2: 29,85 s, Rang 1</li><li>Nr. 1 Aron &ndash; HF 1: 31,20 s, "
                          "Rang 2</li></ul>"))
        << page;
    EXPECT_FALSE(Has(page, "Klasse beendet"));
    EXPECT_TRUE(Has(page, "Daten vom"));
}

TEST(BoardPages, Speaker_SaysKlasseBeendetOnlyWhenEveryRunIsIn) {
    ShowBoard board("Cup");
    Feed feed(board);
    feed.Snapshot({Row("1", "Aron", "30,00", "1"), Row("2", "Bela", "DIS", "DIS")}, T0, "2");
    feed.State(0, T0);
    SpeakerRing view = MakeSpeakerRing(board.Rings().at("Ring 1"), T0);
    EXPECT_FALSE(view.finished); // Aron's second run is due
    ASSERT_EQ(view.next.size(), 1u);
    EXPECT_EQ(view.next[0].startNumber, "1");
    ShowRow both = Row("1", "Aron", "30,00", "1");
    both[ColTime2] = "31,00";
    feed.Entry({both}, T0 + 1000);
    view = MakeSpeakerRing(board.Rings().at("Ring 1"), T0 + 1000);
    EXPECT_TRUE(view.finished);
    EXPECT_TRUE(Has(SpeakerPageHtml(board, At(T0 + 1000)), "Klasse beendet"));
    ASSERT_EQ(view.last.size(), 1u);
    EXPECT_EQ(view.last[0].time, "31,00");
}

TEST(BoardPages, Speaker_ShowsNoDogOnCourseOfARingThatWentSilent) {
    ShowBoard board("Cup");
    Feed feed(board);
    feed.Snapshot({Row("1", "Aron")}, T0);
    feed.Lanes("1", "Aron", "5,00", T0);
    feed.State(0, T0);
    EXPECT_EQ(MakeSpeakerRing(board.Rings().at("Ring 1"), T0).onCourse.size(), 1u);
    EXPECT_TRUE(MakeSpeakerRing(board.Rings().at("Ring 1"), T0 + RingSilentMs + 1).onCourse.empty());
    EXPECT_TRUE(Has(SpeakerPageHtml(board, At(T0 + RingSilentMs + 1)), "offline"));
}

TEST(BoardRequestPaths, ChooseThePageRingAndExport) {
    struct Case {
        const char* path;
        BoardRoute route;
        const char* ring;
    };
    const Case cases[] = {
        {"/", BoardRoute::Index, ""},
        {"/buero", BoardRoute::Office, ""},
        {"/sprecher", BoardRoute::Speaker, ""},
        {"/ring/Ring 1", BoardRoute::RingPage, "Ring 1"},
        {"/ring/Ring 1/protokoll.json", BoardRoute::RingJson, "Ring 1"},
        {"/export/Ring 1.xlsx", BoardRoute::ExportXlsx, "Ring 1"},
        {"/export/A.b.docx", BoardRoute::ExportDocx, "A.b"},
        {"/export/R.html", BoardRoute::ExportHtml, "R"},
        {"/export/.xlsx", BoardRoute::NotFound, ""},
        {"/export/R.exe", BoardRoute::NotFound, ""},
        {"/export/a/b.xlsx", BoardRoute::NotFound, ""},
        {"/ring/", BoardRoute::NotFound, ""},
        {"/ring/a/b", BoardRoute::NotFound, ""},
        {"/ring//protokoll.json", BoardRoute::NotFound, ""},
        {"/live", BoardRoute::NotFound, ""},
    };
    for (const Case& c : cases) {
        const BoardRequest request = ParseBoardPath(c.path);
        EXPECT_EQ(request.route, c.route) << c.path;
        EXPECT_EQ(request.ring, c.ring) << c.path;
    }
}

TEST(BoardRequestAnswers, ServeTheRingsLiveResultsAndExports) {
    ShowBoard board("Cup");
    Feed feed(board);
    feed.Snapshot({Row("1", "Jürgens Aron", "31,20", "1")}, T0);
    const BoardContext context{At(T0 + 5000), true, {}};
    EXPECT_EQ(AnswerBoard(board, context, "/ring/Ring 2").status, 404);
    EXPECT_EQ(AnswerBoard(board, context, "/export/Ring 2.xlsx").status, 404);
    EXPECT_EQ(AnswerBoard(board, context, "/nix").status, 404);

    const LiveAnswer page = AnswerBoard(board, context, "/ring/Ring 1");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(Has(page.body, "var base=\"/ring/Ring%201\",sock=false;"));
    EXPECT_TRUE(Has(page.body, "<a href=\"/\">&larr; Alle Ringe</a>")) << "back to the ring chooser";
    EXPECT_TRUE(Has(page.body, "Daten vom 23:13:20 (vor 5 s)"));
    const LiveAnswer json = AnswerBoard(board, context, "/ring/Ring 1/protokoll.json");
    EXPECT_EQ(json.contentType, "application/json; charset=utf-8");
    EXPECT_TRUE(Has(json.body, "\"stand\":\"Daten vom 23:13:20 (vor 5 s)\""));
    EXPECT_TRUE(Has(json.body, "\"Jürgens Aron\""));

    const LiveAnswer html = AnswerBoard(board, context, "/export/Ring 1.html");
    EXPECT_EQ(html.contentType, "text/html; charset=iso-8859-1");
    EXPECT_TRUE(Has(html.body, "J\xFCrgens Aron")) << "Latin-1 as the station's page";
    for (const char* path : {"/export/Ring 1.xlsx", "/export/Ring 1.docx"}) {
        const LiveAnswer file = AnswerBoard(board, context, path);
        EXPECT_EQ(file.status, 200) << path << file.body;
        EXPECT_EQ(file.body.substr(0, 2), "PK") << path;
    }
}

TEST(BoardClockTexts, SayHowOldTheDataIs) {
    const BoardClock clock{T0, -2 * 3'600'000};
    EXPECT_EQ(ClockText(T0, clock), "20:13:20");
    EXPECT_EQ(AgeText(0, clock), "noch nichts");
    EXPECT_EQ(AgeText(T0 + 500, clock), "vor 0 s"); // a clock a little behind the station's
    EXPECT_EQ(AgeText(T0 - 59'999, clock), "vor 59 s");
    EXPECT_EQ(AgeText(T0 - 60'000, clock), "vor 1 min");
    EXPECT_EQ(AgeText(T0 - 3'725'000, clock), "vor 1 h 2 min");
    EXPECT_EQ(DataAgeText(0, clock), "noch keine Daten");
}

} // namespace
} // namespace caniparc
