// The show board's service (see BoardService.h).
#include "BoardService.h"

#include "board/BoardRequest.h"
#include "show/ShowTopics.h"

#include <QDateTime>
#include <QDir>

#include <system_error>

namespace caniparc {

BoardService::BoardService(BoardOptions options, WallClock wallClock, QObject* parent)
    : QObject(parent), options_(std::move(options)), wallClock_(std::move(wallClock)), board_(options_.show),
      client_(options_.broker), server_([] { return LiveState{}; }, [] { return std::string(); }) {
    server_.SetRouter([this](const std::string& path) -> std::optional<LiveAnswer> {
        return AnswerBoard(board_, {Clock(), client_.IsConnected(), options_.dataFolder.string()}, path);
    });
    connect(&client_, &MqttClient::Connected, this, &BoardService::Subscribe);
    connect(&client_, &MqttClient::MessageReceived, this,
            [this](const std::string& topic, const std::string& payload, bool retained) {
                Received(topic, payload, retained);
            });
    ask_.setInterval(options_.askMs);
    connect(&ask_, &QTimer::timeout, this, &BoardService::AskForMissing);
    save_.setInterval(options_.saveMs);
    connect(&save_, &QTimer::timeout, this, &BoardService::SaveChanged);
}

BoardService::~BoardService() {
    Stop();
}

BoardClock BoardService::Clock() const {
    return {wallClock_(), static_cast<std::int64_t>(QDateTime::currentDateTime().offsetFromUtc()) * 1000};
}

bool BoardService::Start(QString& error) {
    std::error_code ec;
    std::filesystem::create_directories(options_.dataFolder, ec);
    std::string storeError;
    const std::filesystem::path file = options_.dataFolder / "board.sqlite";
    auto store = SqliteBoardStore::Open(file, storeError);
    if (!store) {
        error = QStringLiteral("Die Ablage %1 lässt sich nicht öffnen: %2")
                    .arg(QString::fromStdString(file.string()), QString::fromStdString(storeError));
        return false;
    }
    for (const auto& [ring, copy] : store->Load(options_.show))
        board_.Restore(ring, copy);
    if (!server_.Start(options_.httpPort, options_.httpAddress)) {
        error = QStringLiteral("Webserver: %1").arg(server_.ErrorText());
        return false;
    }
    writer_ = std::make_unique<BoardWriter>(std::move(store), options_.show);
    client_.Start();
    ask_.start();
    save_.start();
    return true;
}

void BoardService::Stop() {
    ask_.stop();
    save_.stop();
    SaveChanged();
    writer_.reset(); // after the last write
    client_.Stop();
    server_.Stop();
}

void BoardService::Subscribe() {
    client_.Subscribe(AllRingsFilter(options_.show), 1);
}

void BoardService::Received(const std::string& topic, const std::string& payload, bool retained) {
    if (board_.Receive(topic, payload, wallClock_(), retained))
        emit Changed();
}

void BoardService::AskForMissing() {
    if (!client_.IsConnected())
        return;
    for (const ResendMessage& request : board_.ResendsDue(wallClock_()))
        client_.Publish(ResendTopicName(options_.show), WriteShowMessage(request), 1, false);
}

void BoardService::SaveChanged() {
    if (!writer_)
        return;
    for (const std::string& name : board_.TakeChanged())
        writer_->Queue(name, board_.Rings().at(name).ToCopy());
}

} // namespace caniparc
