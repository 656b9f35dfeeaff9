// Builds the lane frame, mirrors the run model into it and turns the operator's input into
// signals.
#include "LaneFrame.h"

#include "Digit.h"
#include "StationFonts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <functional>

namespace caniparc::ui {

namespace {

// Geometry at the natural size; the digit block grows with the frame, the start line does not.
constexpr int kFrameWidth = 374;
constexpr int kFrameHeight = 141;
constexpr int kPanelHeight = 43;
constexpr int kDigitWidth = 55;
constexpr int kDigitHeight = 89;
constexpr std::array<int, LaneFrame::DigitCount> kDigitLeft{12, 76, 140, 228, 292};
constexpr int kCommaLeft = 204;
constexpr int kCommaWidth = 25;
constexpr int kCommaFontPixels = 64;
constexpr int kDigitThickness = 6;

// A combo box that tells when its drop-down closes, whether or not the choice changed.
class CloseUpComboBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> closedUp;
    void hidePopup() override {
        QComboBox::hidePopup();
        if (closedUp && !signalsBlocked())
            closedUp();
    }
};

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QString TextColourStyle(const QString& colour) {
    return QStringLiteral("color: %1; background: transparent;").arg(colour);
}

QLabel* MakeLabel(const QString& text, const char* colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(SansFont(19, true));
    label->setStyleSheet(TextColourStyle(QLatin1String(colour)));
    return label;
}

bool SameItems(const QComboBox& box, const QStringList& items) {
    if (box.count() != items.size())
        return false;
    for (int i = 0; i < box.count(); ++i)
        if (box.itemText(i) != items[i])
            return false;
    return true;
}

void ReplaceItems(QComboBox& box, const QStringList& items) {
    if (SameItems(box, items))
        return;
    box.clear();
    box.addItems(items);
}

void RetainSizeWhenHidden(QWidget& widget) {
    auto policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
}

} // namespace

LaneFrame::LaneFrame(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("TFrame1"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    BuildDigits();
    BuildStartLine();
    ConnectOperatorSignals();
    resize(kFrameWidth, kFrameHeight);
    LayoutDigits(1.0);
}

QSize LaneFrame::sizeHint() const {
    return {kFrameWidth, kFrameHeight};
}

void LaneFrame::BuildDigits() {
    const LaneDigits ready;
    for (int i = 0; i < DigitCount; ++i) {
        auto* digit = new TDigit(this);
        digit->setObjectName(QStringLiteral("Digit%1").arg(i + 4));
        digit->SetColorOff(Qt::black);
        digit->SetSeparation(0);
        digit->SetColorOn(ToQColor(ready.lit[static_cast<std::size_t>(i)]));
        digits_[static_cast<std::size_t>(i)] = digit;
    }
    LabSec_ = new QLabel(QStringLiteral(","), this);
    LabSec_->setObjectName(QStringLiteral("LabSec"));
    LabSec_->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    commaColour_ = ready.comma;
    LabSec_->setStyleSheet(TextColourStyle(ToQColor(commaColour_).name()));
}

void LaneFrame::BuildStartLine() {
    Panel6_ = new QFrame(this);
    Panel6_->setObjectName(QStringLiteral("Panel6"));
    Panel6_->setGeometry(0, 0, 356, kPanelHeight);
    BuildStartNumberControls();
    BuildContactList();
    auto* line = new QHBoxLayout(Panel6_);
    line->setContentsMargins(1, 0, 2, 0);
    line->setSpacing(4);
    line->addWidget(LabFalse_);
    line->addStretch(1);
    line->addWidget(Label1_);
    line->addWidget(editStartN1_);
    line->addWidget(CBeditStartN1_);
    line->addSpacing(4);
    line->addWidget(cbEvent_);
}

void LaneFrame::BuildStartNumberControls() {
    LabFalse_ = MakeLabel(QStringLiteral("Falsche"), "red", Panel6_);
    LabFalse_->setObjectName(QStringLiteral("LabFalse"));
    RetainSizeWhenHidden(*LabFalse_);
    LabFalse_->hide();
    Label1_ = MakeLabel(QStringLiteral("Start-Nr.:"), "lime", Panel6_);
    Label1_->setObjectName(QStringLiteral("Label1"));

    const QString startStyle = QStringLiteral("background-color: rgb(64, 64, 64); color: lime;");
    editStartN1_ = new QSpinBox(Panel6_);
    editStartN1_->setObjectName(QStringLiteral("editStartN1"));
    editStartN1_->setAccessibleName(QStringLiteral("Start-Nr."));
    editStartN1_->setRange(1, 9999);
    editStartN1_->setValue(1);
    editStartN1_->setFont(SansFont(23, true));
    // Disabled during a run: grey on black, so the operator sees the number cannot be changed.
    editStartN1_->setStyleSheet(QStringLiteral("QSpinBox { %1 } QSpinBox:disabled { background-color: black;"
                                               " color: rgb(110, 110, 110); }")
                                    .arg(startStyle));
    editStartN1_->findChild<QLineEdit*>()->setMaxLength(4); // start numbers 1..9999
    editStartN1_->setFixedSize(80, kPanelHeight);

    CBeditStartN1_ = new QComboBox(Panel6_);
    CBeditStartN1_->setObjectName(QStringLiteral("CBeditStartN1"));
    CBeditStartN1_->setMaxVisibleItems(10);
    CBeditStartN1_->setFont(SansFont(23, true));
    CBeditStartN1_->setStyleSheet(startStyle + QStringLiteral(" QAbstractItemView::item { min-height: 27px; }"));
    CBeditStartN1_->setFixedSize(80, 35);
    CBeditStartN1_->hide();
    CBeditStartN1_->installEventFilter(this);
    CBeditStartN1_->view()->installEventFilter(this);
}

LaneFrame::~LaneFrame() {
    // Destroying the children closes an open drop-down, whose close-up would otherwise report
    // to this frame after its own part is already gone.
    for (QWidget* input : std::initializer_list<QWidget*>{cbEvent_, CBeditStartN1_, editStartN1_})
        input->blockSignals(true);
}

void LaneFrame::BuildContactList() {
    auto* contacts = new CloseUpComboBox(Panel6_);
    // Closing without a new pick must keep a typed time: it only reports the close.
    contacts->closedUp = [this] { emit contactListClosed(); };
    cbEvent_ = contacts;
    cbEvent_->setObjectName(QStringLiteral("cbEvent"));
    cbEvent_->setInsertPolicy(QComboBox::NoInsert); // a typed time is a text, not a new contact
    cbEvent_->setFont(SansFont(21, true));
    cbEvent_->setStyleSheet(QStringLiteral("background-color: rgb(64, 64, 64); color: yellow;"));
    cbEvent_->setFixedSize(100, 35);
    cbEvent_->setEnabled(false);
    RetainSizeWhenHidden(*cbEvent_);
    cbEvent_->hide();
}

void LaneFrame::ConnectOperatorSignals() {
    connect(editStartN1_, &QSpinBox::valueChanged, this, &LaneFrame::startNumberChanged);
    connect(CBeditStartN1_, &QComboBox::currentIndexChanged, this, &LaneFrame::startListChosen);
    connect(cbEvent_, &QComboBox::currentIndexChanged, this, &LaneFrame::contactChosen);
}

void LaneFrame::LayoutDigits(double scale) {
    const auto scaled = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    // Centred when the frame is wider than the digits need (a maximized window), instead of a
    // black bar on the right.
    const int offset = std::max(0, (width() - scaled(kFrameWidth)) / 2);
    for (int i = 0; i < DigitCount; ++i) {
        auto* digit = digits_[static_cast<std::size_t>(i)];
        digit->setGeometry(offset + scaled(kDigitLeft[static_cast<std::size_t>(i)]), kPanelHeight, scaled(kDigitWidth),
                           scaled(kDigitHeight));
        digit->SetThickness(std::max(1, scaled(kDigitThickness)));
    }
    // Beside the digits and bottom-aligned, so the comma sits on their base line at any size.
    LabSec_->setGeometry(offset + scaled(kCommaLeft), kPanelHeight, scaled(kCommaWidth), scaled(kDigitHeight));
    LabSec_->setFont(SerifFont(scaled(kCommaFontPixels), true));
}

void LaneFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const double byWidth = static_cast<double>(width()) / kFrameWidth;
    const double byHeight = static_cast<double>(height() - kPanelHeight) / (kFrameHeight - kPanelHeight);
    LayoutDigits(std::max(0.25, std::min(byWidth, byHeight)));
}

void LaneFrame::SetDigits(const LaneDigits& digits) {
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        digits_[i]->SetValue(digits.value[i]);
        digits_[i]->SetColorOn(ToQColor(digits.lit[i]));
    }
    if (digits.comma == commaColour_)
        return;
    commaColour_ = digits.comma;
    LabSec_->setStyleSheet(TextColourStyle(ToQColor(commaColour_).name()));
}

void LaneFrame::SetCaption(const QString& caption) {
    Label1_->setText(caption);
}

void LaneFrame::SetStartNumber(int number, bool enabled) {
    const QSignalBlocker block(editStartN1_);
    if (editStartN1_->value() != number)
        editStartN1_->setValue(number);
    editStartN1_->setEnabled(enabled);
    // The list is locked with the spin edit: a run is entered under the starter it began with.
    CBeditStartN1_->setEnabled(enabled);
}

void LaneFrame::SetStartListMode(bool listShown) {
    editStartN1_->setVisible(!listShown);
    CBeditStartN1_->setVisible(listShown);
}

void LaneFrame::SetStartControls(bool spinShown, bool listShown) {
    editStartN1_->setVisible(spinShown);
    CBeditStartN1_->setVisible(listShown);
}

void LaneFrame::SetLaneName(int lane) {
    const QString suffix = QStringLiteral(" Bahn %1").arg(lane + 1);
    setAccessibleName(QStringLiteral("Zeit") + suffix);
    editStartN1_->setAccessibleName(QStringLiteral("Start-Nr.") + suffix);
    CBeditStartN1_->setAccessibleName(QStringLiteral("Start-Nr.") + suffix);
    cbEvent_->setAccessibleName(QStringLiteral("Kontakte") + suffix);
    LabFalse_->setAccessibleName(QStringLiteral("Falsche") + suffix);
}

void LaneFrame::SetStartList(const QStringList& items, int index) {
    const QSignalBlocker block(CBeditStartN1_);
    ReplaceItems(*CBeditStartN1_, items);
    CBeditStartN1_->setCurrentIndex(index);
}

void LaneFrame::SetFalseWarning(bool shown) {
    LabFalse_->setVisible(shown);
}

void LaneFrame::SetContacts(const std::vector<std::string>& contacts, int selected, ContactListStyle style,
                            bool enabled, const std::string& text) {
    const QSignalBlocker block(cbEvent_);
    ApplyContactStyle(style);
    QStringList items;
    items.reserve(static_cast<qsizetype>(contacts.size()));
    for (const auto& contact : contacts)
        items << QString::fromStdString(contact);
    ReplaceItems(*cbEvent_, items);
    if (cbEvent_->currentIndex() != selected)
        cbEvent_->setCurrentIndex(selected);
    const QString shown = QString::fromStdString(text);
    if (cbEvent_->isEditable() && cbEvent_->currentText() != shown)
        cbEvent_->setEditText(shown);
    cbEvent_->setEnabled(enabled);
}

void LaneFrame::ApplyContactStyle(ContactListStyle style) {
    if (style == contactStyle_)
        return;
    contactStyle_ = style;
    cbEvent_->setEditable(style == ContactListStyle::DropDown);
    QLineEdit* edit = cbEvent_->lineEdit();
    if (!edit)
        return;
    // The new edit field would otherwise take the small default font instead of the list's.
    edit->setFont(cbEvent_->font());
    edit->setStyleSheet(QStringLiteral("background-color: rgb(64, 64, 64); color: yellow;"));
    // Leaving the field without typing must not count as a typed time: the entry would then
    // take the list's text instead of the time of the stop command.
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        if (!edit->isModified())
            return;
        edit->setModified(false);
        emit contactTextEdited(edit->text());
    });
}

void LaneFrame::SetContactsVisible(bool visible) {
    cbEvent_->setVisible(visible);
}

bool LaneFrame::eventFilter(QObject* watched, QEvent* event) {
    const bool startList = watched == CBeditStartN1_ || watched == CBeditStartN1_->view();
    if (startList && event->type() == QEvent::KeyPress)
        return CBeditStartN1KeyPress(static_cast<const QKeyEvent&>(*event));
    return QFrame::eventFilter(watched, event);
}

bool LaneFrame::CBeditStartN1KeyPress(const QKeyEvent& key) {
    const QString text = key.text();
    if (key.key() == Qt::Key_Backspace) {
        lastStartListKey_.invalidate();
        return false;
    }
    // Keys without a printable character (arrows, Enter, Esc, Tab) keep moving through the list.
    if (text.isEmpty() || !text.front().isPrint())
        return false;
    const QChar c = text.front();
    // A start number never begins with 0, but 10, 20 or 105 must still be typeable, so a 0 passes
    // while it continues the number being typed.
    const bool continuing =
        lastStartListKey_.isValid() && lastStartListKey_.elapsed() < QApplication::keyboardInputInterval();
    const bool passes = (c >= QLatin1Char('1') && c <= QLatin1Char('9')) || (c == QLatin1Char('0') && continuing);
    if (passes)
        lastStartListKey_.start();
    return !passes;
}

} // namespace caniparc::ui
