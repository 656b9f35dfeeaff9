// The settings dialog (F2, "Einstellungen"): shows a SettingsForm in its controls and reads the
// controls back into one. The rules (ranges, suggestions, port and monitor entries, the order
// of applying) live in the core's SettingsForm and Station; this window only binds widgets.
#pragma once

#include "RangeSpinBox.h"
#include "station/SettingsForm.h"

#include <QDialog>
#include <QDoubleSpinBox>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace caniparc::ui {

// Seconds with one decimal, as the operator reads them; a value typed with two decimals
// (2.55 s) keeps them, so it is stored to the millisecond.
class SecondsSpinBox final : public RangeDoubleSpinBox {
    Q_OBJECT
public:
    explicit SecondsSpinBox(QWidget* parent = nullptr);
    QString textFromValue(double value) const override;
};

class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder, starting at the given one; an empty answer means cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    explicit SettingsDialog(FolderChooser chooseFolder, QWidget* parent = nullptr);

    // Opening: every control from the form (the port and monitor lists included).
    void SetForm(const SettingsForm& form);
    // The controls as they stand, for "OK".
    SettingsForm Form() const;
    // The addresses the live results can be reached at now, or why they cannot be.
    void SetLiveAddresses(const QString& text);

private:
    QWidget* BuildTitles();
    QGroupBox* BuildBarriers();
    QWidget* BuildScheme();
    QGroupBox* BuildProtocol();
    QGroupBox* BuildTimeFaults();
    QGroupBox* BuildBands();
    QWidget* BuildBottom();
    QGroupBox* BuildLive();
    QGroupBox* BuildShow();
    void cbPortChange();
    void sfSkorChange();
    void seQPChange();
    void sbDIRClick();
    void eDIRChange();

    FolderChooser chooseFolder_;
    SettingsForm form_; // the lists the controls were filled from
    QLineEdit *eTitel_ = nullptr, *eTitel2_ = nullptr, *eTitel3_ = nullptr, *eKat_ = nullptr;
    QComboBox *cbPort_ = nullptr, *cbAlg_ = nullptr;
    SecondsSpinBox *seStartBlock_ = nullptr, *seWait_ = nullptr, *seEint_ = nullptr;
    QRadioButton *rgKontakt1_ = nullptr, *rgKontakt2_ = nullptr;
    QCheckBox* cbManuell_ = nullptr;
    std::array<QRadioButton*, 3> RB_{};
    QDoubleSpinBox* sfDist_ = nullptr;
    QCheckBox *cbEditRes_ = nullptr, *cbBonus_ = nullptr, *cbAutoRang_ = nullptr, *cbZFcalc_ = nullptr;
    QRadioButton *Lauf1_ = nullptr, *Lauf2_ = nullptr;
    QSpinBox *seMul_ = nullptr, *seAdel_ = nullptr;
    QLineEdit* eDIR_ = nullptr;
    QToolButton* sbDIR_ = nullptr;
    QDoubleSpinBox* sfSkor_ = nullptr;
    QLabel *eZeitStandart_ = nullptr, *eZeitMax_ = nullptr;
    QSpinBox *seZeitStandart_ = nullptr, *seZeitMax_ = nullptr;
    std::array<QLineEdit*, 4> eQP_{};
    std::array<QSpinBox*, 4> seQP_{};
    std::array<QLabel*, 3> eQPbis_{};
    QComboBox* cbMonitor_ = nullptr;
    QLabel* monitorLabel_ = nullptr;
    QCheckBox* cbLiveWeb_ = nullptr;
    QLineEdit* eShowServer_ = nullptr;
    QSpinBox* seShowPort_ = nullptr;
    QLineEdit* eShowName_ = nullptr;
    QLineEdit* eShowRing_ = nullptr;
    QLineEdit* eShowUser_ = nullptr;
    QLineEdit* eShowPassword_ = nullptr;
    QLineEdit* eShowCaFile_ = nullptr;
    QSpinBox* seLivePort_ = nullptr;
    QLabel* liveAddresses_ = nullptr;
};

} // namespace caniparc::ui
