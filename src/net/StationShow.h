// The running station's part of the show: a publisher for its ring while the show server is set,
// started, restarted and stopped as the settings change. Its outbox is a file of its own (or,
// when that cannot be opened, memory), so entries not yet on the broker survive a restart.
// Nothing here waits for the network: the station reads only the status line.
#pragma once

#include "ShowPublisher.h"

#include "show/ShowConfig.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace caniparc {

class StationShow final : public QObject {
    Q_OBJECT
public:
    // `outboxFile` empty: the outbox lives in memory.
    StationShow(ShowPublisher::Source source, std::filesystem::path outboxFile, ShowPublisher::WallClock wallClock,
                QObject* parent = nullptr);
    ~StationShow() override;

    // Starts, restarts or stops the publisher for these settings. The same settings leave a
    // running publisher alone; a refused one tries again.
    void Apply(const ShowConfig& config);
    // Says goodbye to the broker (the ring's state goes offline) and stops.
    void Stop();

    ShowSetup Setup() const { return setup_; }
    // Nothing while the show is off.
    std::optional<ShowStatusLine> Status();
    ShowPublisher* Publisher() const { return publisher_.get(); }
    // Why the outbox is in memory; empty while it is in its file.
    const std::string& OutboxProblem() const { return outboxProblem_; }

    // Options for a test: shorter waits.
    std::function<void(ShowPublisherOptions&)> adjust;

signals:
    void StatusChanged();
    void RingRefused(const QString& ring);
    void SecondStationRefused(const QString& ring);

private:
    void OpenOutbox();

    ShowPublisher::Source source_;
    std::filesystem::path outboxFile_;
    ShowPublisher::WallClock wallClock_;
    ShowConfig config_;
    ShowSetup setup_ = ShowSetup::Off;
    std::unique_ptr<OutboxStore> store_;
    std::string outboxProblem_;
    std::unique_ptr<ShowPublisher> publisher_;
    bool refused_ = false;
};

// A new station's id: the machine's name and a random part.
std::string NewStationId();

} // namespace caniparc
