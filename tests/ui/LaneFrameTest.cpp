// The lane frame's bindings: the time on its digits, repaints limited to the digits that changed,
// model values that never echo as operator input, and the operator's own input.
#include "LaneFrame.h"
#include "Digit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <array>

using namespace caniparc;
using caniparc::ui::LaneFrame;
using caniparc::ui::TDigit;

namespace {

const QColor kYellowQ(255, 255, 0);
const QColor kDimQ(64, 64, 64);
const QColor kBlack(Qt::black);

LaneDigits Time(std::array<int, 5> value, std::array<Rgb, 5> lit) {
    LaneDigits d;
    d.value = value;
    d.lit = lit;
    return d;
}

// 7,05 s and 123,45 s as the run clock hands them over.
const LaneDigits kSevenOhFive = Time({0, 0, 7, 0, 5}, {kDimGrey, kDimGrey, kYellow, kYellow, kYellow});
const LaneDigits kOneTwoThree = Time({1, 2, 3, 4, 5}, {kYellow, kYellow, kYellow, kYellow, kYellow});

// Points inside a digit's top and upper left and right bars, relative to the digit.
const QPoint kTop(27, 6), kUpperLeft(6, 25), kUpperRight(48, 25);

QColor At(const QImage& frame, const TDigit& digit, QPoint inDigit) {
    return frame.pixelColor(digit.geometry().topLeft() + inDigit);
}

bool ContainsColour(const QImage& image, QRect area, const QColor& colour) {
    area = area.intersected(image.rect()); // the comma reaches below the frame
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

// Paint events per digit of a frame.
class DigitPaints : public QObject {
public:
    explicit DigitPaints(const LaneFrame& frame) : frame_(frame) {
        for (int i = 0; i < LaneFrame::DigitCount; ++i)
            frame.Digit(i)->installEventFilter(this);
    }
    std::array<int, LaneFrame::DigitCount> count{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        for (int i = 0; i < LaneFrame::DigitCount; ++i)
            if (event->type() == QEvent::Paint && watched == frame_.Digit(i))
                ++count[static_cast<std::size_t>(i)];
        return false;
    }

private:
    const LaneFrame& frame_;
};

struct ShownFrame {
    ShownFrame() {
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        Flush();
    }
    static void Flush() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    LaneFrame frame;
};

} // namespace

class LaneFrameTest : public QObject {
    Q_OBJECT
private slots:
    void timeShowsOnTheDigitsWithDimLeadingZeros() {
        LaneFrame frame;
        frame.SetDigits(kSevenOhFive);
        QImage image = frame.grab().toImage();
        const std::array<QColor, 5> topBars{kDimQ, kDimQ, kYellowQ, kYellowQ, kYellowQ}; // 0 0 7 0 5
        for (int i = 0; i < LaneFrame::DigitCount; ++i)
            QCOMPARE(At(image, *frame.Digit(i), kTop), topBars[static_cast<std::size_t>(i)]);
        QCOMPARE(At(image, *frame.Digit(2), kUpperLeft), kBlack);
        QCOMPARE(At(image, *frame.Digit(4), kUpperRight), kBlack);
        QVERIFY(ContainsColour(image, frame.Comma()->geometry(), kYellowQ));

        auto dimComma = kOneTwoThree;
        dimComma.comma = kDimGrey;
        frame.SetDigits(dimComma);
        image = frame.grab().toImage();
        for (int i = 0; i < LaneFrame::DigitCount; ++i)
            QCOMPARE(frame.Digit(i)->Value(), i + 1);
        QCOMPARE(At(image, *frame.Digit(0), kTop), kBlack); // 1
        QCOMPARE(At(image, *frame.Digit(0), kUpperRight), kYellowQ);
        QVERIFY(!ContainsColour(image, frame.Comma()->geometry(), kYellowQ));
        QVERIFY(ContainsColour(image, frame.Comma()->geometry(), kDimQ));
    }

    void digitsGrowWithTheFrameInTheirOrder() {
        ShownFrame shown;
        auto& frame = shown.frame;
        frame.resize(748, 239);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(frame.Digit(0)->size(), QSize(110, 178));
        QCOMPARE(frame.Digit(0)->Thickness(), 12);
        QVERIFY(frame.Digit(0)->geometry().top() >= frame.StartNumberEdit()->geometry().bottom());
        QVERIFY(frame.Digit(2)->geometry().right() < frame.Comma()->geometry().center().x());
        QVERIFY(frame.Comma()->geometry().center().x() < frame.Digit(3)->geometry().left());
        QVERIFY(frame.Digit(4)->geometry().right() < 748);
    }

    void unchangedTimeRepaintsNothingAndAChangeOnlyItsDigit() {
        ShownFrame shown;
        auto& frame = shown.frame;
        frame.SetDigits(kSevenOhFive);
        shown.Flush();
        DigitPaints paints(frame);

        frame.SetDigits(kSevenOhFive);
        shown.Flush();
        QCOMPARE(paints.count, (std::array<int, 5>{0, 0, 0, 0, 0}));

        auto next = kSevenOhFive;
        next.value[4] = 6;
        frame.SetDigits(next);
        shown.Flush();
        QCOMPARE(paints.count, (std::array<int, 5>{0, 0, 0, 0, 1}));

        next.lit[1] = kYellow; // the tens become significant at 10 s
        next.value[1] = 1;
        frame.SetDigits(next);
        shown.Flush();
        QCOMPARE(paints.count, (std::array<int, 5>{0, 1, 0, 0, 1}));
    }

    void modelValuesDoNotEchoAsOperatorInput() {
        LaneFrame frame;
        QSignalSpy number(&frame, &LaneFrame::startNumberChanged);
        QSignalSpy listed(&frame, &LaneFrame::startListChosen);
        QSignalSpy chosen(&frame, &LaneFrame::contactChosen);
        QSignalSpy typed(&frame, &LaneFrame::contactTextEdited);

        frame.SetStartNumber(17, false);
        frame.SetStartList({QStringLiteral("3"), QStringLiteral("17")}, 1);
        frame.SetStartListMode(true);
        frame.SetContacts({"12,34", "12,50"}, 1, ContactListStyle::DropDown, true, "11,00"); // lane 1 typed a time
        QVERIFY(frame.Contacts()->isEditable());
        QCOMPARE(frame.Contacts()->currentText(), QStringLiteral("11,00"));
        frame.SetContacts({"12,34", "12,50", "13,01"}, 2, ContactListStyle::DropDownList, true, "13,01");
        QVERIFY(!frame.Contacts()->isEditable());
        QCOMPARE(frame.Contacts()->currentText(), QStringLiteral("13,01"));
        frame.SetContacts({}, -1, ContactListStyle::Simple, false, "");

        QCOMPARE(number.count() + listed.count() + chosen.count() + typed.count(), 0);
        QCOMPARE(frame.StartNumberEdit()->value(), 17);
        QVERIFY(!frame.StartNumberEdit()->isEnabled());
        QVERIFY(!frame.StartNumberEdit()->isVisibleTo(&frame));
        QVERIFY(frame.StartList()->isVisibleTo(&frame));
        QCOMPARE(frame.StartList()->currentText(), QStringLiteral("17"));
        QVERIFY(!frame.Contacts()->isEditable());
        QVERIFY(!frame.Contacts()->isEnabled());
        QCOMPARE(frame.Contacts()->count(), 0);
    }

    void operatorChoicesAndTypedTimesOnTheContactListAreReported() {
        ShownFrame shown;
        auto& frame = shown.frame;
        frame.SetContactsVisible(true);
        frame.SetContacts({"12,34", "12,50"}, 0, ContactListStyle::DropDownList, true, "12,34");
        QSignalSpy chosen(&frame, &LaneFrame::contactChosen);
        QSignalSpy typed(&frame, &LaneFrame::contactTextEdited);
        QTest::keyClick(frame.Contacts(), Qt::Key_Down);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.takeFirst().at(0).toInt(), 1);
        QSignalSpy closed(&frame, &LaneFrame::contactListClosed);
        frame.Contacts()->showPopup();
        frame.Contacts()->hidePopup(); // closed without a new choice: reported as a close only
        QCOMPARE(closed.count(), 1);
        QCOMPARE(chosen.count(), 0);

        frame.SetContacts({"12,34", "12,50"}, 0, ContactListStyle::DropDown, true, "12,34");
        QLineEdit* edit = frame.Contacts()->lineEdit();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return); // passing through the field changes nothing
        QCOMPARE(typed.count(), 0);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("15,20"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(typed.count(), 1);
        QCOMPARE(typed.at(0).at(0).toString(), QStringLiteral("15,20"));
        QCOMPARE(frame.Contacts()->count(), 2); // a typed time is no new contact
        QCOMPARE(chosen.count(), 0);
    }

    void startListTakesOnlyDigitsThatCanBeginOrContinueANumber() {
        QApplication::setKeyboardInputInterval(100);
        ShownFrame shown;
        auto& frame = shown.frame;
        frame.SetStartListMode(true);
        frame.SetStartList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("A1"),
                            QStringLiteral("05")},
                           0);
        QComboBox* list = frame.StartList();
        QSignalSpy listed(&frame, &LaneFrame::startListChosen);

        QTest::keyClick(list, Qt::Key_A);
        QTest::keyClick(list, Qt::Key_0); // a start number never begins with 0
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(listed.count(), 0);

        QTest::qWait(150);
        QTest::keyClicks(list, QStringLiteral("10"));
        QCOMPARE(list->currentText(), QStringLiteral("10"));
        QTest::qWait(150);
        QTest::keyClick(list, Qt::Key_2);
        QCOMPARE(list->currentText(), QStringLiteral("2"));
        QCOMPARE(listed.count(), 2);
        QCOMPARE(listed.last().at(0).toInt(), 1);
        QTest::keyClick(list, Qt::Key_Down); // navigation keys are no typed characters
        QCOMPARE(list->currentText(), QStringLiteral("10"));
    }
};

QTEST_MAIN(LaneFrameTest)
#include "LaneFrameTest.moc"
