// Where phones reach the live results: which of the machine's addresses are offered, the status
// bar's short text, and the QR code window's choice among several networks.
#include "LiveCodeWindow.h"
#include "LiveServer.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace caniparc;
using namespace caniparc::ui;

class LiveCodeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void phonesAreOfferedEveryNetworkButNotTheLoopback() {
        const QList<QHostAddress> wiredAndWireless{QHostAddress::LocalHost, QHostAddress("192.168.1.20"),
                                                   QHostAddress::LocalHostIPv6, QHostAddress("10.42.0.1"),
                                                   QHostAddress("fe80::1")};
        QCOMPARE(LiveServer::AddressesOf(wiredAndWireless, 8080, true),
                 (QStringList{"http://192.168.1.20:8080/", "http://10.42.0.1:8080/"}));
        QCOMPARE(LiveServer::AddressesOf(wiredAndWireless, 8080, false),
                 (QStringList{"http://192.168.1.20:8080/", "http://10.42.0.1:8080/", "http://127.0.0.1:8080/"}));
        // Without a network the loopback address is all there is to show.
        QCOMPARE(LiveServer::AddressesOf({QHostAddress::LocalHost}, 8181, true),
                 (QStringList{"http://127.0.0.1:8181/"}));
    }

    void statusBarShowsTheFirstAndCountsTheOthers() {
        const QStringList one{"http://192.168.1.20:8080/"};
        const QStringList three{"http://192.168.1.20:8080/", "http://10.42.0.1:8080/", "http://172.16.0.9:8080/"};
        QCOMPARE(LivePanelText(one), QStringLiteral("Live: http://192.168.1.20:8080/"));
        QCOMPARE(LivePanelText(three), QStringLiteral("Live: http://192.168.1.20:8080/ (+2)"));
        for (const QString& address : three)
            QVERIFY(LivePanelTip(three).split('\n').contains(address));
    }

    void codeWindowOffersAChoiceOnlyAmongSeveral() {
        LiveCodeWindow single({"http://192.168.1.20:8080/"});
        QVERIFY(!single.findChild<QComboBox*>("cbLiveAddress")->isVisibleTo(&single));
        QCOMPARE(single.Shown(), QStringLiteral("http://192.168.1.20:8080/"));

        const QStringList two{"http://192.168.1.20:8080/", "http://10.42.0.1:8080/"};
        LiveCodeWindow window(two);
        auto* choice = window.findChild<QComboBox*>("cbLiveAddress");
        auto* code = window.findChild<QLabel*>("LabLiveCode");
        QVERIFY(choice->isVisibleTo(&window));
        QVERIFY(!choice->accessibleName().isEmpty());
        QCOMPARE(window.Shown(), two[0]);
        const QImage first = code->pixmap().toImage();
        QVERIFY(!first.isNull());
        choice->setCurrentIndex(1);
        QCOMPARE(window.Shown(), two[1]);
        QCOMPARE(code->accessibleName(), QStringLiteral("QR-Code ") + two[1]);
        QCOMPARE(code->pixmap().toImage(), QrCodeImage(two[1], 8).convertToFormat(first.format()));
        QVERIFY(code->pixmap().toImage() != first);
    }
};

QTEST_MAIN(LiveCodeWindowTest)
#include "LiveCodeWindowTest.moc"
