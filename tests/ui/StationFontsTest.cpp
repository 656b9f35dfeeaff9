// The station's fonts resolve to the families they ask for, proportional ones, on this machine
// and (registered a second time in CTest) with nothing but the fonts scripts/install-deps.sh
// installs: there fontconfig's plain "sans-serif" is Liberation Mono.
#include "StationFonts.h"

#include <QApplication>
#include <QFontInfo>
#include <QPushButton>
#include <QtTest>

using namespace caniparc::ui;

class StationFontsTest : public QObject {
    Q_OBJECT

private slots:
    void everyFontIsTheProportionalOneItAsksFor() {
        const int platformSize = QApplication::font().pointSize();
        UseStationFont();
        QCOMPARE(QApplication::font().pointSize(), platformSize);
        QPushButton button(QStringLiteral("[F8] Start")); // a control that asks for no family
        const struct {
            const char* what;
            QFont font;
            QStringList families;
        } cases[] = {
            {"application", button.font(), {"Liberation Sans", "Arial"}},
            {"sans", SansFont(19, true), {"Arial", "Liberation Sans"}},
            {"serif", SerifFont(40, true), {"Times New Roman", "Liberation Serif"}},
        };
        for (const auto& c : cases) {
            const QFontInfo info(c.font);
            QVERIFY2(!info.fixedPitch(), c.what);
            QVERIFY2(c.families.contains(info.family()),
                     qPrintable(QString::fromLatin1(c.what) + ": " + info.family()));
        }
        QVERIFY(QFontInfo(SansFont(19, true)).bold());
        QCOMPARE(SansFont(0).pixelSize(), 1); // a layout shrunk to nothing still gets a usable font
    }
};

QTEST_MAIN(StationFontsTest)
#include "StationFontsTest.moc"
