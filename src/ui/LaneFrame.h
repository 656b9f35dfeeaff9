// One lane's clock frame: five seven-segment digits with the decimal comma, and above them the
// start-number line (caption, start-number spin edit or start-list box, contact list and the
// wrong-start-number warning). It shows what the run model says and reports what the operator
// does; setting a value from the model never raises the operator signals.
#pragma once

#include "timing/RunModel.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QKeyEvent;
class QLabel;
class QSpinBox;

namespace caniparc::ui {

class TDigit;

class LaneFrame : public QFrame {
    Q_OBJECT
public:
    static constexpr int DigitCount = 5;

    explicit LaneFrame(QWidget* parent = nullptr);
    ~LaneFrame() override;

    // Runs on every clock tick: touches only the digits whose value or colour changed.
    void SetDigits(const LaneDigits& digits);

    void SetCaption(const QString& caption);
    void SetStartNumber(int number, bool enabled);
    // Shows the start-list box instead of the spin edit.
    void SetStartListMode(bool listShown);
    // Shows the spin edit, the list or (an idle lane) neither.
    void SetStartControls(bool spinShown, bool listShown);
    // "Start-Nr. Bahn 1": the accessible names of the lane's controls.
    void SetLaneName(int lane);
    void SetStartList(const QStringList& items, int index);
    void SetFalseWarning(bool shown);
    void SetContacts(const std::vector<std::string>& contacts, int selected, ContactListStyle style, bool enabled,
                     const std::string& text);
    void SetContactsVisible(bool visible);

    // Hundreds, tens and units of seconds, tenths, hundredths (index 0 to 4).
    TDigit* Digit(int index) const { return digits_.at(static_cast<std::size_t>(index)); }
    QLabel* Comma() const { return LabSec_; }
    QLabel* Caption() const { return Label1_; }
    QSpinBox* StartNumberEdit() const { return editStartN1_; }
    QComboBox* StartList() const { return CBeditStartN1_; }
    QComboBox* Contacts() const { return cbEvent_; }
    QLabel* FalseWarning() const { return LabFalse_; }

    QSize sizeHint() const override;

signals:
    void startNumberChanged(int number);
    void startListChosen(int index);
    // The operator picked another contact.
    void contactChosen(int index);
    // The list's drop-down closed, with or without a new pick.
    void contactListClosed();
    // Lane 1's contact list: the operator typed a time and left the field.
    void contactTextEdited(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildDigits();
    void BuildStartLine();
    void BuildStartNumberControls();
    void BuildContactList();
    void ConnectOperatorSignals();
    void ApplyContactStyle(ContactListStyle style);
    void LayoutDigits(double scale);
    // true: the key is swallowed.
    bool CBeditStartN1KeyPress(const QKeyEvent& key);

    std::array<TDigit*, DigitCount> digits_{};
    QLabel* LabSec_ = nullptr;
    Rgb commaColour_{};
    QFrame* Panel6_ = nullptr;
    QLabel* Label1_ = nullptr;
    QSpinBox* editStartN1_ = nullptr;
    QComboBox* CBeditStartN1_ = nullptr;
    QComboBox* cbEvent_ = nullptr;
    QLabel* LabFalse_ = nullptr;
    ContactListStyle contactStyle_ = ContactListStyle::Simple;
    QElapsedTimer lastStartListKey_;
};

} // namespace caniparc::ui
