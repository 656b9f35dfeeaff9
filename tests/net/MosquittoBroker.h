// A private mosquitto for the tests: its own configuration, password file and folder in a
// temporary directory, listening on a free port of 127.0.0.1 only. Kill stops it with SIGKILL, as
// a crash would; Start brings it back on the same port. The folder goes with the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <map>

namespace caniparc::testing {

class MosquittoBroker {
public:
    // Users and their passwords; none means anonymous clients are let in.
    explicit MosquittoBroker(std::map<QString, QString> users = {});
    ~MosquittoBroker();

    // The listener speaks only TLS, with this certificate and key (PEM); before Start.
    void UseTls(const QString& certificate, const QString& key) {
        certificate_ = certificate;
        key_ = key;
    }
    bool Start(); // false when it did not answer on its port within a few seconds
    void Kill();
    quint16 Port() const { return port_; }
    QString Folder() const { return dir_.path(); }

private:
    bool WriteConfig();

    QTemporaryDir dir_;
    std::map<QString, QString> users_;
    QString certificate_, key_;
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace caniparc::testing
