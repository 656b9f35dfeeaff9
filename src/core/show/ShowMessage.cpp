// The show messages' JSON (see ShowMessage.h).
#include "show/ShowMessage.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace caniparc {

namespace {

using Json = nlohmann::json;

// Deep enough for every message (an event's row is four levels down); checked on the bytes
// before parsing, so a hostile nesting costs one pass and no tree.
constexpr int MaxDepth = 5;

bool NestedTooDeep(std::string_view bytes) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxDepth)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

const char* LaneStateName(ShowLaneState state) {
    switch (state) {
    case ShowLaneState::Ready:
        return "ready";
    case ShowLaneState::Running:
        return "running";
    case ShowLaneState::Finishing:
        return "finishing";
    case ShowLaneState::Stopped:
        return "stopped";
    }
    return "ready";
}

Json RowJson(const ShowRow& row) {
    Json cells = Json::array();
    for (const std::string& cell : row)
        cells.push_back(cell);
    return cells;
}

Json RowsJson(const std::vector<ShowRow>& rows) {
    Json out = Json::array();
    for (const ShowRow& row : rows)
        out.push_back(RowJson(row));
    return out;
}

Json Head(const char* type) {
    return Json{{"v", ShowMessageVersion}, {"type", type}};
}

Json ToJson(const StateMessage& m) {
    Json j = Head("state");
    j["online"] = m.online;
    j["station"] = m.station;
    j["epoch"] = m.epoch;
    j["seq"] = m.seq;
    j["time"] = m.sentMs;
    return j;
}

Json ToJson(const SnapshotMessage& m) {
    Json j = Head("snapshot");
    j["epoch"] = m.epoch;
    j["seq"] = m.seq;
    j["time"] = m.sentMs;
    j["titles"] = {{"title", m.titles.title},
                   {"place", m.titles.place},
                   {"judge", m.titles.judge},
                   {"category", m.titles.category}};
    Json settings = Json::array();
    for (const auto& [name, value] : m.settings)
        settings.push_back(Json::array({name, value}));
    j["settings"] = std::move(settings);
    j["rows"] = RowsJson(m.rows);
    return j;
}

Json ToJson(const EventMessage& m) {
    Json j = Head("event");
    j["epoch"] = m.epoch;
    j["seq"] = m.seq;
    j["time"] = m.sentMs;
    j["kind"] = m.kind == ShowEventKind::Entry ? "entry" : "correction";
    j["replaceAll"] = m.change.replaceAll;
    j["rows"] = RowsJson(m.change.rows);
    j["removed"] = m.change.removed;
    j["order"] = m.change.order;
    return j;
}

Json ToJson(const LanesMessage& m) {
    Json j = Head("lanes");
    j["time"] = m.sentMs;
    Json lanes = Json::array();
    for (const ShowLane& lane : m.lanes)
        lanes.push_back({{"inUse", lane.inUse},
                         {"start", lane.startNumber},
                         {"dog", lane.dog},
                         {"handler", lane.handler},
                         {"time", lane.time},
                         {"state", LaneStateName(lane.state)},
                         {"dis", lane.disqualified}});
    j["lanes"] = std::move(lanes);
    return j;
}

Json ToJson(const ResendMessage& m) {
    Json j = Head("resend");
    j["ring"] = m.ring;
    j["epoch"] = m.epoch;
    j["after"] = m.after;
    return j;
}

// Reads the fields of one object; the first missing or mistyped field marks it bad, and later
// reads give defaults, so a reader can take every field and ask once at the end.
class Fields {
public:
    explicit Fields(const Json& object) : object_(object), ok_(object.is_object()) {}
    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; }

    const Json* Get(const char* key) {
        if (!ok_)
            return nullptr;
        const auto it = object_.find(key);
        if (it == object_.end()) {
            ok_ = false;
            return nullptr;
        }
        return &*it;
    }
    std::uint64_t Unsigned(const char* key) {
        const Json* v = Get(key);
        if (v && v->is_number_unsigned())
            return v->get<std::uint64_t>();
        ok_ = false;
        return 0;
    }
    std::int64_t Signed(const char* key) {
        const Json* v = Get(key);
        if (v && v->is_number_integer() && !(v->is_number_unsigned() && v->get<std::uint64_t>() > INT64_MAX))
            return v->get<std::int64_t>();
        ok_ = false;
        return 0;
    }
    bool Bool(const char* key) {
        const Json* v = Get(key);
        if (v && v->is_boolean())
            return v->get<bool>();
        ok_ = false;
        return false;
    }
    std::string Text(const char* key) {
        const Json* v = Get(key);
        return v ? TextOf(*v) : std::string();
    }
    std::string TextOf(const Json& v) {
        if (v.is_string() && v.get_ref<const std::string&>().size() <= ShowMessageMaxText)
            return v.get<std::string>();
        ok_ = false;
        return {};
    }
    const Json* Array(const char* key, std::size_t maxSize) {
        const Json* v = Get(key);
        if (v && v->is_array() && v->size() <= maxSize)
            return v;
        ok_ = false;
        return nullptr;
    }
    // A row has at most the protocol's columns; shorter rows are filled with empty cells.
    ShowRow Row(const Json& v) {
        ShowRow row;
        if (!v.is_array() || v.size() > row.size()) {
            ok_ = false;
            return row;
        }
        for (std::size_t c = 0; c < v.size(); ++c)
            row[c] = TextOf(v[c]);
        return row;
    }
    std::vector<ShowRow> Rows(const char* key) {
        std::vector<ShowRow> rows;
        if (const Json* list = Array(key, ShowMessageMaxRows))
            for (const Json& row : *list)
                rows.push_back(Row(row));
        return rows;
    }
    std::vector<std::string> Texts(const char* key) {
        std::vector<std::string> texts;
        if (const Json* list = Array(key, ShowMessageMaxRows))
            for (const Json& text : *list)
                texts.push_back(TextOf(text));
        return texts;
    }

private:
    const Json& object_;
    bool ok_;
};

std::optional<ShowMessage> ReadState(Fields& f) {
    StateMessage m;
    m.online = f.Bool("online");
    m.station = f.Text("station");
    m.epoch = f.Unsigned("epoch");
    m.seq = f.Unsigned("seq");
    m.sentMs = f.Signed("time");
    return f.Ok() ? std::optional<ShowMessage>(m) : std::nullopt;
}

std::optional<ShowMessage> ReadSnapshot(Fields& f) {
    SnapshotMessage m;
    m.epoch = f.Unsigned("epoch");
    m.seq = f.Unsigned("seq");
    m.sentMs = f.Signed("time");
    if (const Json* titles = f.Get("titles")) {
        Fields t(*titles);
        m.titles = {t.Text("title"), t.Text("place"), t.Text("judge"), t.Text("category")};
        if (!t.Ok())
            f.Fail();
    }
    if (const Json* settings = f.Array("settings", 1000)) {
        for (const Json& pair : *settings) {
            if (!pair.is_array() || pair.size() != 2) {
                f.Fail();
                break;
            }
            m.settings.emplace_back(f.TextOf(pair[0]), f.TextOf(pair[1]));
        }
    }
    m.rows = f.Rows("rows");
    return f.Ok() ? std::optional<ShowMessage>(std::move(m)) : std::nullopt;
}

std::optional<ShowMessage> ReadEvent(Fields& f) {
    EventMessage m;
    m.epoch = f.Unsigned("epoch");
    m.seq = f.Unsigned("seq");
    m.sentMs = f.Signed("time");
    const std::string kind = f.Text("kind");
    if (kind == "entry")
        m.kind = ShowEventKind::Entry;
    else if (kind == "correction")
        m.kind = ShowEventKind::Correction;
    else
        f.Fail();
    m.change.replaceAll = f.Bool("replaceAll");
    m.change.rows = f.Rows("rows");
    m.change.removed = f.Texts("removed");
    m.change.order = f.Texts("order");
    return f.Ok() ? std::optional<ShowMessage>(std::move(m)) : std::nullopt;
}

std::optional<ShowLaneState> LaneStateOf(const std::string& name) {
    for (const ShowLaneState s :
         {ShowLaneState::Ready, ShowLaneState::Running, ShowLaneState::Finishing, ShowLaneState::Stopped})
        if (name == LaneStateName(s))
            return s;
    return std::nullopt;
}

std::optional<ShowMessage> ReadLanes(Fields& f) {
    LanesMessage m;
    m.sentMs = f.Signed("time");
    const Json* lanes = f.Array("lanes", 2);
    if (!lanes || lanes->size() != 2)
        return std::nullopt;
    for (std::size_t i = 0; i < 2; ++i) {
        Fields l((*lanes)[i]);
        ShowLane& lane = m.lanes[i];
        lane.inUse = l.Bool("inUse");
        lane.startNumber = l.Text("start");
        lane.dog = l.Text("dog");
        lane.handler = l.Text("handler");
        lane.time = l.Text("time");
        const auto state = LaneStateOf(l.Text("state"));
        lane.state = state.value_or(ShowLaneState::Ready);
        lane.disqualified = l.Bool("dis");
        if (!l.Ok() || !state)
            return std::nullopt;
    }
    return f.Ok() ? std::optional<ShowMessage>(std::move(m)) : std::nullopt;
}

std::optional<ShowMessage> ReadResend(Fields& f) {
    ResendMessage m;
    m.ring = f.Text("ring");
    m.epoch = f.Unsigned("epoch");
    m.after = f.Unsigned("after");
    return f.Ok() ? std::optional<ShowMessage>(std::move(m)) : std::nullopt;
}

} // namespace

const char* ShowReadErrorText(ShowReadError error) {
    switch (error) {
    case ShowReadError::None:
        return "gelesen";
    case ShowReadError::TooLarge:
        return "zu groß";
    case ShowReadError::BadJson:
        return "kein JSON";
    case ShowReadError::TooDeep:
        return "zu tief verschachtelt";
    case ShowReadError::UnknownVersion:
        return "unbekannte Version";
    case ShowReadError::UnknownType:
        return "unbekannte Art";
    case ShowReadError::BadField:
        return "falsches Feld";
    }
    return "";
}

std::string WriteShowMessage(const ShowMessage& message) {
    const Json j = std::visit([](const auto& m) { return ToJson(m); }, message);
    // A text that is not valid UTF-8 (a damaged starter list) is sent with U+FFFD in its place.
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

ShowReadResult ReadShowMessage(std::string_view bytes) {
    ShowReadResult result;
    if (bytes.size() > ShowMessageMaxBytes) {
        result.error = ShowReadError::TooLarge;
        return result;
    }
    if (NestedTooDeep(bytes)) {
        result.error = ShowReadError::TooDeep;
        return result;
    }
    const Json j = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        result.error = ShowReadError::BadJson;
        return result;
    }
    const auto version = j.find("v");
    if (version == j.end() || !version->is_number_unsigned() || version->get<std::uint64_t>() != ShowMessageVersion) {
        result.error = ShowReadError::UnknownVersion;
        return result;
    }
    const auto type = j.find("type");
    const std::string name = type != j.end() && type->is_string() ? type->get<std::string>() : std::string();
    Fields f(j);
    std::optional<ShowMessage> read;
    if (name == "state")
        read = ReadState(f);
    else if (name == "snapshot")
        read = ReadSnapshot(f);
    else if (name == "event")
        read = ReadEvent(f);
    else if (name == "lanes")
        read = ReadLanes(f);
    else if (name == "resend")
        read = ReadResend(f);
    else {
        result.error = ShowReadError::UnknownType;
        return result;
    }
    if (!read) {
        result.error = ShowReadError::BadField;
        return result;
    }
    result.message = std::move(*read);
    return result;
}

} // namespace caniparc
