// The seven-segment digit as a person sees it: which segments light for each value, when the
// control repaints, and how it answers values and thicknesses it cannot show.
#include "Digit.h"

#include <QSignalSpy>
#include <QTest>

#include <array>
#include <utility>

using caniparc::ui::TDigit;

namespace {

const QColor kLit(255, 255, 0);
const QColor kUnlit(0, 0, 200);
const QColor kBackground(Qt::black);

// The usual three-row drawing of the ten digits; each digit is three characters wide.
// Row 0: top bar. Row 1: upper left, middle, upper right. Row 2: lower left, bottom, lower right.
const std::array<const char*, 3> kDigitArt{
    " _     _  _     _  _  _  _  _ ",
    "| |  | _| _||_||_ |_   ||_||_|",
    "|_|  ||_  _|  | _||_|  ||_| _|",
};

struct Probe {
    const char* name;
    QPoint at;       // a point well inside the segment of a 55 x 89 digit with thickness 6
    int row, column; // where the segment sits in the drawing above
};

const std::array<Probe, 7> kProbes{{
    {"top", {27, 6}, 0, 1},
    {"upper left", {6, 25}, 1, 0},
    {"middle", {27, 44}, 1, 1},
    {"upper right", {48, 25}, 1, 2},
    {"lower left", {6, 63}, 2, 0},
    {"bottom", {27, 82}, 2, 1},
    {"lower right", {48, 63}, 2, 2},
}};
const QPoint kMarkProbe(51, 85);

bool LitInArt(int digit, const Probe& probe) {
    return kDigitArt[probe.row][digit * 3 + probe.column] != ' ';
}

void MakeLaneClockDigit(TDigit& digit) {
    digit.resize(55, 89);
    digit.SetThickness(6);
    digit.SetSeparation(0);
    digit.SetColorOn(kLit);
    digit.SetColorOff(kUnlit);
}

QColor PixelAt(TDigit& digit, QPoint at) {
    return digit.grab().toImage().pixelColor(at);
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

void FlushPaints() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

class DigitTest : public QObject {
    Q_OBJECT
private slots:
    void eachValueLightsItsSegments_data() {
        QTest::addColumn<int>("value");
        for (int v = 0; v <= 9; ++v)
            QTest::addRow("%d", v) << v;
    }
    void eachValueLightsItsSegments() {
        QFETCH(int, value);
        TDigit digit;
        MakeLaneClockDigit(digit);
        digit.SetValue(value);
        const QImage image = digit.grab().toImage();
        for (const auto& probe : kProbes)
            QVERIFY2(image.pixelColor(probe.at) == (LitInArt(value, probe) ? kLit : kUnlit), probe.name);
        QCOMPARE(image.pixelColor(kMarkProbe), kUnlit);
        QCOMPARE(image.pixelColor(27, 25), kBackground); // inside the upper loop
        QCOMPARE(image.pixelColor(9, 9), kBackground);   // between the top and upper left bars
    }

    void patternsShowEverySegmentAndTheMark() {
        TDigit digit;
        MakeLaneClockDigit(digit);
        digit.SetValue(4);
        for (const auto& [pattern, colour] : {std::pair{255, kLit}, std::pair{0, kUnlit}}) {
            digit.SetValueBinary(static_cast<std::uint8_t>(pattern));
            const QImage image = digit.grab().toImage();
            for (const auto& probe : kProbes)
                QVERIFY2(image.pixelColor(probe.at) == colour, probe.name);
            QCOMPARE(image.pixelColor(kMarkProbe), colour);
        }
        QCOMPARE(digit.Value(), 4);
    }

    void outOfRangeValuesShowZeroAndRaiseOverflow() {
        TDigit digit;
        MakeLaneClockDigit(digit);
        QSignalSpy overflow(&digit, &TDigit::OnOverflow);
        digit.SetValue(10); // already 0, still an overflow
        QCOMPARE(overflow.count(), 1);
        QCOMPARE(overflow.at(0).at(0).value<TDigit*>(), &digit);
        digit.SetValue(7);
        digit.SetValue(-1);
        QCOMPARE(overflow.count(), 2);
        QCOMPARE(digit.Value(), 0);
        QCOMPARE(PixelAt(digit, kProbes[1].at), kLit); // the upper left bar of a 0, not of a 7
        digit.SetValue(9);
        QCOMPARE(overflow.count(), 2);
    }

    void repaintsOnlyWhenWhatIsShownChanges() {
        TDigit digit;
        MakeLaneClockDigit(digit);
        digit.SetValue(3);
        digit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&digit));
        FlushPaints();
        PaintCounter paints(digit);
        QSignalSpy overflow(&digit, &TDigit::OnOverflow);

        digit.SetValue(3);
        digit.SetColorOn(kLit);
        digit.SetColorOff(kUnlit);
        digit.SetBorderStyle(TDigit::DigitBorder::Single);
        FlushPaints();
        QCOMPARE(paints.count, 0);

        digit.SetValueBinary(255);
        FlushPaints();
        QCOMPARE(paints.count, 1);
        digit.SetValue(3); // the value did not change, so the pattern stays
        FlushPaints();
        QCOMPARE(paints.count, 1);
        QCOMPARE(digit.ValueBinary(), 255);
        QCOMPARE(overflow.count(), 0);

        digit.SetColorOn(Qt::red);
        FlushPaints();
        QCOMPARE(paints.count, 2);
    }

    void thicknessMustFitInHalfTheSize() {
        TDigit digit; // 16 x 32
        digit.SetThickness(10);
        digit.SetThickness(9);
        QCOMPARE(digit.Thickness(), 2);
        digit.SetThickness(8);
        QCOMPARE(digit.Thickness(), 8);
        digit.SetSeparation(40); // no limit: a bad separation only spoils the drawing
        QCOMPARE(digit.Separation(), 40);
        digit.grab();

        MakeLaneClockDigit(digit);
        digit.SetValue(8);
        QCOMPARE(PixelAt(digit, {27, 14}), kBackground); // just below the top bar
        digit.SetThickness(8);
        QCOMPARE(PixelAt(digit, {27, 14}), kLit);
    }
};

QTEST_MAIN(DigitTest)
#include "DigitTest.moc"
