// The show board as a running service: hears every ring of one show on the broker, keeps the
// board's own copy in SQLite (restored before the broker is heard, so a restarted board shows
// everything at once), asks the stations for what is missing, and serves the pages read-only
// through the live results' web server with its limits.
#pragma once

#include "BoardWriter.h"
#include "LiveServer.h"
#include "MqttClient.h"

#include "board/BoardView.h"
#include "show/ShowBoard.h"
#include "show/SqliteBoardStore.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace caniparc {

struct BoardOptions {
    MqttOptions broker;
    std::string show;
    quint16 httpPort = 8080; // 0: any free port (the tests)
    QHostAddress httpAddress = QHostAddress::Any;
    std::filesystem::path dataFolder; // the board's copy, and the workbooks while they are built
    int askMs = 200;                  // how often missing events are looked for (asked at most every 2 s)
    int saveMs = 500;                 // how often changed rings are written to the copy
};

class BoardService final : public QObject {
    Q_OBJECT
public:
    using WallClock = std::function<std::int64_t()>; // milliseconds since 1970

    BoardService(BoardOptions options, WallClock wallClock, QObject* parent = nullptr);
    ~BoardService() override;

    // Opens the copy and restores it, opens the web port and connects; false with a German
    // reason when the copy or the port cannot be opened (the broker is tried until it answers).
    bool Start(QString& error);
    // Writes what changed, says goodbye to the broker and closes the port.
    void Stop();

    const ShowBoard& Board() const { return board_; }
    bool IsConnected() const { return client_.IsConnected(); }
    quint16 HttpPort() const { return server_.Port(); }
    BoardClock Clock() const;
    // Hands the rings that changed since the last save to the copy's writer.
    void SaveChanged();

signals:
    void Changed(); // a message changed a ring

private:
    void Subscribe();
    void Received(const std::string& topic, const std::string& payload, bool retained);
    void AskForMissing();

    BoardOptions options_;
    WallClock wallClock_;
    ShowBoard board_;
    std::unique_ptr<BoardWriter> writer_;
    MqttClient client_;
    LiveServer server_;
    QTimer ask_, save_;
};

} // namespace caniparc
