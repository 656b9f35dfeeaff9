// The running station's part of the show (see StationShow.h).
#include "StationShow.h"

#include "show/SqliteOutboxStore.h"

#include <QDebug>
#include <QSysInfo>
#include <QUuid>

#include <system_error>

namespace caniparc {

std::string NewStationId() {
    QString host = QSysInfo::machineHostName();
    if (host.isEmpty())
        host = QStringLiteral("station");
    return (host.left(40) + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::Id128).left(12)).toStdString();
}

StationShow::StationShow(ShowPublisher::Source source, std::filesystem::path outboxFile,
                         ShowPublisher::WallClock wallClock, QObject* parent)
    : QObject(parent), source_(std::move(source)), outboxFile_(std::move(outboxFile)),
      wallClock_(std::move(wallClock)) {}

StationShow::~StationShow() {
    // The publisher holds the store: it goes first.
    publisher_.reset();
}

void StationShow::OpenOutbox() {
    if (store_)
        return;
    if (!outboxFile_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(outboxFile_.parent_path(), ec);
        std::string error;
        if (auto file = SqliteOutboxStore::Open(outboxFile_, error)) {
            store_ = std::move(file);
            return;
        }
        outboxProblem_ = error.empty() ? "SQLite" : error;
        qWarning("Ausgangsspeicher des Turniers nicht geöffnet (%s): %s", outboxFile_.string().c_str(),
                 outboxProblem_.c_str());
    }
    store_ = std::make_unique<MemoryOutboxStore>();
}

void StationShow::Apply(const ShowConfig& config) {
    const ShowSetup setup = ShowSetupOf(config);
    if (publisher_ && config == config_ && !refused_)
        return;
    Stop();
    config_ = config;
    setup_ = setup;
    refused_ = false;
    if (setup != ShowSetup::On) {
        emit StatusChanged();
        return;
    }
    OpenOutbox();
    ShowPublisherOptions options;
    options.broker.host = QString::fromStdString(config.server).trimmed();
    options.broker.port = static_cast<quint16>(config.port);
    options.broker.user = QString::fromStdString(config.user);
    options.broker.password = QString::fromStdString(config.password);
    options.broker.caFile = QString::fromStdString(config.caFile).trimmed();
    options.show = config.show;
    options.ring = config.ring;
    if (adjust)
        adjust(options);
    publisher_ = std::make_unique<ShowPublisher>(options, *store_, NewStationId(), source_, wallClock_);
    connect(publisher_.get(), &ShowPublisher::StatusChanged, this, &StationShow::StatusChanged);
    const QString ring = QString::fromStdString(config.ring);
    connect(publisher_.get(), &ShowPublisher::RingRefused, this, [this, ring] {
        refused_ = true;
        emit RingRefused(ring);
    });
    connect(publisher_.get(), &ShowPublisher::SecondStationRefused, this,
            [this, ring] { emit SecondStationRefused(ring); });
    publisher_->Start();
    emit StatusChanged();
}

void StationShow::Stop() {
    if (!publisher_)
        return;
    publisher_->Stop();
    publisher_.reset();
    setup_ = ShowSetup::Off;
    emit StatusChanged();
}

std::optional<ShowStatusLine> StationShow::Status() {
    switch (setup_) {
    case ShowSetup::Off:
        return std::nullopt;
    case ShowSetup::Invalid:
        return ShowStatusLine{ShowConfigProblemText(config_), true};
    case ShowSetup::On:
        break;
    }
    return publisher_ ? std::optional(publisher_->Status()) : std::nullopt;
}

} // namespace caniparc
