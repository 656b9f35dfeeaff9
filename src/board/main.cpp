// caniparc-board: the show board without windows. Hears every ring of one show on the broker
// and serves the results office's page, the speaker's page and the phones' live results on the
// local network.
#include "BoardService.h"

#include "../app/SignalBridge.h"

#include "show/ShowTopics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

using namespace caniparc;

namespace {

struct Parsed {
    BoardOptions options;
    QString error; // German; empty when the options are usable
};

QString PasswordFrom(const QCommandLineParser& parser, QString& error) {
    if (parser.isSet(QStringLiteral("password")))
        return parser.value(QStringLiteral("password"));
    if (parser.isSet(QStringLiteral("password-file"))) {
        QFile file(parser.value(QStringLiteral("password-file")));
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("Passwortdatei %1 lässt sich nicht lesen").arg(file.fileName());
            return {};
        }
        return QString::fromUtf8(file.readLine()).trimmed();
    }
    return qEnvironmentVariable("CANIPARC_BOARD_PASSWORD");
}

bool Port(const QString& text, quint16& port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    port = static_cast<quint16>(value);
    return true;
}

Parsed Parse(const QCoreApplication& app, QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Ergebnisbüro-Anzeige: alle Ringe eines Turniers vom Broker, "
                                                    "als Webseiten im lokalen Netz (nur lesend)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {{QStringLiteral("s"), QStringLiteral("server")},
         QStringLiteral("Broker (Rechnername oder Adresse)."),
         QStringLiteral("host"),
         QStringLiteral("127.0.0.1")},
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Port des Brokers."),
         QStringLiteral("port"),
         QStringLiteral("1883")},
        {{QStringLiteral("u"), QStringLiteral("user")},
         QStringLiteral("Benutzer beim Broker."),
         QStringLiteral("name")},
        {QStringLiteral("password"), QStringLiteral("Passwort beim Broker (besser: --password-file)."),
         QStringLiteral("passwort")},
        {QStringLiteral("password-file"), QStringLiteral("Datei, deren erste Zeile das Passwort ist."),
         QStringLiteral("datei")},
        {{QStringLiteral("t"), QStringLiteral("show")},
         QStringLiteral("Name des Turniers (wie an den Stationen)."),
         QStringLiteral("name")},
        {QStringLiteral("http-port"), QStringLiteral("Port der Webseiten."), QStringLiteral("port"),
         QStringLiteral("8080")},
        {QStringLiteral("http-address"), QStringLiteral("Nur an dieser Adresse lauschen (Vorgabe: alle)."),
         QStringLiteral("adresse")},
        {{QStringLiteral("d"), QStringLiteral("data")},
         QStringLiteral("Ordner für die eigene Ablage."),
         QStringLiteral("ordner")},
    });
    parser.process(app);
    Parsed parsed;
    BoardOptions& o = parsed.options;
    o.show = parser.value(QStringLiteral("show")).toStdString();
    o.broker.host = parser.value(QStringLiteral("server"));
    o.broker.user = parser.value(QStringLiteral("user"));
    o.broker.password = PasswordFrom(parser, parsed.error);
    if (!ValidShowName(o.show))
        parsed.error = QStringLiteral("Bitte den Namen des Turniers mit --show angeben (1 bis 64 Zeichen, ohne / + #)");
    else if (!Port(parser.value(QStringLiteral("port")), o.broker.port) || o.broker.port == 0)
        parsed.error = QStringLiteral("Ungültiger Port des Brokers");
    else if (!Port(parser.value(QStringLiteral("http-port")), o.httpPort))
        parsed.error = QStringLiteral("Ungültiger Port der Webseiten");
    if (parser.isSet(QStringLiteral("http-address")) &&
        !o.httpAddress.setAddress(parser.value(QStringLiteral("http-address"))))
        parsed.error = QStringLiteral("Ungültige Adresse für die Webseiten");
    const QString data = parser.isSet(QStringLiteral("data"))
                             ? parser.value(QStringLiteral("data"))
                             : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    o.dataFolder = data.toStdString();
    return parsed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("caniparc-board"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CANIPARC_VERSION));
    QCommandLineParser parser;
    const Parsed parsed = Parse(app, parser);
    QTextStream err(stderr);
    if (!parsed.error.isEmpty()) {
        err << "caniparc-board: " << parsed.error << Qt::endl;
        return 2;
    }
    BoardService board(parsed.options, [] { return QDateTime::currentMSecsSinceEpoch(); });
    QString error;
    if (!board.Start(error)) {
        err << "caniparc-board: " << error << Qt::endl;
        return 1;
    }
    app::SignalBridge signals_([] { QCoreApplication::quit(); });
    err << "caniparc-board: Turnier " << QString::fromStdString(parsed.options.show) << ", Broker "
        << parsed.options.broker.host << ':' << parsed.options.broker.port << ", Webseiten auf Port "
        << board.HttpPort() << ", Ablage " << QString::fromStdString(parsed.options.dataFolder.string()) << Qt::endl;
    const int rc = QCoreApplication::exec();
    board.Stop();
    return rc;
}
