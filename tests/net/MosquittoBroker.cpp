// The tests' private mosquitto (see MosquittoBroker.h).
#include "MosquittoBroker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace caniparc::testing {

namespace {

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool Answers(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

} // namespace

MosquittoBroker::MosquittoBroker(std::map<QString, QString> users) : users_(std::move(users)) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes takes its broker with it instead of leaving it listening.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

MosquittoBroker::~MosquittoBroker() {
    Kill();
}

bool MosquittoBroker::WriteConfig() {
    QFile config(dir_.filePath("mosquitto.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    const passwd* me = getpwuid(geteuid());
    QString text = QStringLiteral("listener %1 127.0.0.1\n").arg(port_);
    if (!certificate_.isEmpty())
        text += QStringLiteral("certfile %1\nkeyfile %2\n").arg(certificate_, key_);
    // Run as root, mosquitto would change to its own user, who cannot read this folder.
    if (me)
        text += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(me->pw_name));
    text += QStringLiteral("persistence false\nmax_queued_messages 100000\nmax_inflight_messages 100\n");
    if (users_.empty()) {
        text += QStringLiteral("allow_anonymous true\n");
    } else {
        const QString passwords = dir_.filePath("passwd");
        QFile(passwords).remove();
        for (const auto& [user, password] : users_) {
            QStringList args = {QStringLiteral("-b"), passwords, user, password};
            if (!QFile::exists(passwords))
                args.prepend(QStringLiteral("-c"));
            if (QProcess::execute(QStringLiteral("mosquitto_passwd"), args) != 0)
                return false;
        }
        text += QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(passwords);
    }
    return config.write(text.toUtf8()) == text.toUtf8().size();
}

bool MosquittoBroker::Start() {
    if (!dir_.isValid())
        return false;
    if (port_ == 0)
        port_ = FreePort();
    if (port_ == 0 || !WriteConfig())
        return false;
    process_.start(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), dir_.filePath("mosquitto.conf")});
    if (!process_.waitForStarted(5000))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        if (Answers(port_))
            return true;
        if (process_.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return false;
}

void MosquittoBroker::Kill() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(5000);
}

} // namespace caniparc::testing
