// The settings dialog's controls and their small reactions (see SettingsDialog.h). The pictures
// of the start algorithm and the course scheme are drawn in SettingsPictures.cpp.
#include "SettingsDialog.h"

#include "RangeSpinBox.h"
#include "SettingsPictures.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace caniparc::ui {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename W> W* Named(W* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

QLineEdit* TextEdit(QWidget* parent, const char* name, const QString& caption) {
    return Named(new QLineEdit(parent), name, caption);
}

QSpinBox* IntSpin(QWidget* parent, const char* name, const QString& caption, Range<int> range) {
    return Named(new RangeSpinBox(range, parent), name, caption);
}

SecondsSpinBox* SecondsSpin(QWidget* parent, const char* name, const QString& caption) {
    auto* spin = Named(new SecondsSpinBox(parent), name, caption);
    spin->setSuffix(QStringLiteral(" Sek."));
    return spin;
}

QDoubleSpinBox* RealSpin(QWidget* parent, const char* name, const QString& caption, Range<double> range, double step) {
    auto* spin = Named(new RangeDoubleSpinBox(range, 2, parent), name, caption);
    spin->setSingleStep(step);
    return spin;
}

// A caption in front of its control; the label also names the control for screen readers.
void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* control, int span = 1) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1, 1, span);
}

void SetColour(QWidget* widget, const char* colour) {
    widget->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
}

} // namespace

SecondsSpinBox::SecondsSpinBox(QWidget* parent) : RangeDoubleSpinBox(ranges::Seconds, 2, parent) {
    setSingleStep(0.1);
}

QString SecondsSpinBox::textFromValue(double value) const {
    const bool tenths = std::fabs(value * 10.0 - std::round(value * 10.0)) < 1e-6;
    return locale().toString(value, 'f', tenths ? 1 : 2);
}

SettingsDialog::SettingsDialog(FolderChooser chooseFolder, QWidget* parent)
    : QDialog(parent), chooseFolder_(std::move(chooseFolder)) {
    setObjectName(QStringLiteral("TCfgDialog"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setAccessibleName(windowTitle());
    // Columns that stack their groups independently: in rows of a grid each row took the
    // taller group's height, and the dialog grew beyond a laptop's screen less its panel. The
    // network groups make a third column, as a laptop's screen is wider than it is high.
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    const std::initializer_list<std::initializer_list<QWidget*>> groups = {
        {BuildTitles(), BuildBarriers(), BuildTimeFaults()},
        {BuildScheme(), BuildProtocol(), BuildBands()},
        {BuildLive(), BuildShow()},
    };
    for (const auto& column : groups) {
        auto* stack = new QVBoxLayout;
        for (QWidget* part : column)
            stack->addWidget(part);
        stack->addStretch(1);
        columns->addLayout(stack);
    }
    layout->addLayout(columns);
    layout->addWidget(BuildBottom());
}

QGroupBox* SettingsDialog::BuildLive() {
    auto* group = Named(new QGroupBox(QStringLiteral(" Live-Ergebnisse im Netz "), this), "gbLive",
                        QStringLiteral("Live-Ergebnisse im Netz"));
    auto* grid = new QGridLayout(group);
    cbLiveWeb_ = Named(new QCheckBox(QStringLiteral("Ergebnisse und Laufzeiten im Netz zeigen"), group), "cbLiveWeb",
                       QStringLiteral("Ergebnisse und Laufzeiten im Netz zeigen"));
    seLivePort_ = IntSpin(group, "seLivePort", QStringLiteral("Port:"), ranges::LivePort);
    liveAddresses_ = Named(new QLabel(group), "LabLiveAddresses", QStringLiteral("Adressen"));
    liveAddresses_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    liveAddresses_->setWordWrap(true);
    grid->addWidget(cbLiveWeb_, 0, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), group), 1, 0);
    grid->addWidget(seLivePort_, 1, 1);
    grid->addWidget(liveAddresses_, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return group;
}

QGroupBox* SettingsDialog::BuildShow() {
    auto* group = Named(new QGroupBox(QStringLiteral(" Turnier (mehrere Ringe) "), this), "gbShow",
                        QStringLiteral("Turnier (mehrere Ringe)"));
    auto* grid = new QGridLayout(group);
    eShowServer_ = TextEdit(group, "eShowServer", QStringLiteral("Server"));
    eShowServer_->setPlaceholderText(QStringLiteral("leer: nicht senden"));
    seShowPort_ = IntSpin(group, "seShowPort", QStringLiteral("Port"), ranges::ShowPort);
    eShowName_ = TextEdit(group, "eShowName", QStringLiteral("Turnier"));
    eShowRing_ = TextEdit(group, "eShowRing", QStringLiteral("Ring"));
    eShowUser_ = TextEdit(group, "eShowUser", QStringLiteral("Benutzer"));
    eShowPassword_ = TextEdit(group, "eShowPassword", QStringLiteral("Passwort"));
    eShowPassword_->setEchoMode(QLineEdit::Password);
    eShowCaFile_ = TextEdit(group, "eShowCaFile", QStringLiteral("CA-Zertifikat"));
    eShowCaFile_->setPlaceholderText(QStringLiteral("leer: ohne TLS"));
    const std::array<std::pair<QString, QWidget*>, 7> fields = {{{QStringLiteral("Server:"), eShowServer_},
                                                                 {QStringLiteral("Port:"), seShowPort_},
                                                                 {QStringLiteral("Turnier:"), eShowName_},
                                                                 {QStringLiteral("Ring:"), eShowRing_},
                                                                 {QStringLiteral("Benutzer:"), eShowUser_},
                                                                 {QStringLiteral("Passwort:"), eShowPassword_},
                                                                 {QStringLiteral("CA-Zertifikat:"), eShowCaFile_}}};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int row = static_cast<int>(i / 2), col = static_cast<int>(i % 2) * 2;
        grid->addWidget(new QLabel(fields[i].first, group), row, col);
        grid->addWidget(fields[i].second, row, col + 1);
    }
    return group;
}

void SettingsDialog::SetLiveAddresses(const QString& text) {
    liveAddresses_->setText(text);
}

QWidget* SettingsDialog::BuildTitles() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    eTitel_ = TextEdit(box, "eTitel", QStringLiteral("Turnier-Titel:"));
    eTitel2_ = TextEdit(box, "eTitel2", QStringLiteral("Wo? Wann?"));
    eTitel3_ = TextEdit(box, "eTitel3", QStringLiteral("Kampfrichter:"));
    eKat_ = TextEdit(box, "eKat", QStringLiteral("Kategorie:"));
    int row = 0;
    for (QLineEdit* edit : {eTitel_, eTitel2_, eTitel3_, eKat_})
        AddRow(grid, row++, edit->accessibleName(), edit);
    return box;
}

QGroupBox* SettingsDialog::BuildBarriers() {
    auto* group =
        Named(new QGroupBox(QStringLiteral(" Lichtschranke/n "), this), "gbLS", QStringLiteral("Lichtschranke/n"));
    auto* grid = new QGridLayout(group);
    cbPort_ = Named(new QComboBox(group), "cbPort", QStringLiteral("Anschluss:"));
    AddRow(grid, 0, cbPort_->accessibleName(), cbPort_, 2);
    cbAlg_ = Named(new QComboBox(group), "cbAlg", QStringLiteral("START- Algorithmus:"));
    cbAlg_->addItem(AlgorithmPicture(true), QStringLiteral("Ein"));
    cbAlg_->addItem(AlgorithmPicture(false), QStringLiteral("Aus"));
    cbAlg_->setIconSize(AlgorithmPictureSize());
    AddRow(grid, 1, cbAlg_->accessibleName(), cbAlg_, 2);
    seStartBlock_ = SecondsSpin(group, "seStartBlock", QStringLiteral("STOPP-1/2-Sperrzeit:"));
    AddRow(grid, 2, seStartBlock_->accessibleName(), seStartBlock_, 2);
    rgKontakt1_ = Named(new QRadioButton(QStringLiteral("erster"), group), "rgKontakt1",
                        QStringLiteral("Ziel - LS-Kontakt: erster"));
    rgKontakt2_ = Named(new QRadioButton(QStringLiteral("letzter"), group), "rgKontakt2",
                        QStringLiteral("Ziel - LS-Kontakt: letzter"));
    auto* contacts = new QButtonGroup(group);
    contacts->addButton(rgKontakt1_);
    contacts->addButton(rgKontakt2_);
    grid->addWidget(new QLabel(QStringLiteral("Ziel - LS-Kontakt:"), group), 3, 0);
    grid->addWidget(rgKontakt1_, 3, 1);
    grid->addWidget(rgKontakt2_, 3, 2);
    cbManuell_ = Named(new QCheckBox(QStringLiteral("Alle LS-Kontakte zeigen:"), group), "cbManuell",
                       QStringLiteral("Alle LS-Kontakte zeigen:"));
    cbManuell_->setLayoutDirection(Qt::RightToLeft); // caption first, box after it
    grid->addWidget(cbManuell_, 4, 0, 1, 3, Qt::AlignLeft);
    seWait_ =
        SecondsSpin(group, "seWait", QStringLiteral("Zeitnahme automatisch anhalten, wenn kein Kontakt mehr nach:"));
    grid->addWidget(new QLabel(QStringLiteral("Zeitnahme automatisch anhalten,\nwenn kein Kontakt mehr nach:"), group),
                    5, 0, 1, 2);
    grid->addWidget(seWait_, 5, 2);
    connect(cbPort_, &QComboBox::currentIndexChanged, this, [this] { cbPortChange(); });
    return group;
}

QWidget* SettingsDialog::BuildScheme() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Parcours-Schema:"), box), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("START >> ZIEL"), box), 0, 1, Qt::AlignRight);
    auto* picture = new SchemePicture(box);
    picture->setObjectName(QStringLiteral("ImageSchema"));
    grid->addWidget(picture, 1, 0, 1, 2);
    const std::array<std::pair<const char*, const char*>, 3> schemes = {{
        {"A", "1 Bahn :\n7+8 = START und ZIEL"},
        {"B", "1 Bahn :\n7+8 = START\n1+4 = ZIEL"},
        {"C", "2 Bahnen :\n7+8 = START\n1+4 = Ziel-LS 1. Bahn\n4+6 = Ziel-LS 2. Bahn"},
    }};
    auto* row = new QHBoxLayout;
    auto* group = new QButtonGroup(box);
    for (std::size_t i = 0; i < RB_.size(); ++i) {
        const QString caption = QLatin1String(schemes[i].first);
        auto* rb = new QRadioButton(caption, box);
        rb->setObjectName(QStringLiteral("RB%1").arg(i));
        rb->setToolTip(QString::fromUtf8(schemes[i].second));
        rb->setAccessibleName(QStringLiteral("Parcours-Schema ") + caption);
        rb->setAccessibleDescription(rb->toolTip());
        group->addButton(rb);
        row->addWidget(rb);
        RB_[i] = rb;
        connect(rb, &QRadioButton::toggled, picture, [picture, i](bool on) {
            if (on)
                picture->SetScheme(static_cast<int>(i));
        });
    }
    grid->addLayout(row, 2, 0, 1, 2);
    sfDist_ = RealSpin(box, "sfDist", QStringLiteral("Länge:"), ranges::Dist, 1.0);
    auto* length = new QHBoxLayout;
    length->addWidget(new QLabel(QStringLiteral("<------ Länge:"), box));
    length->addWidget(sfDist_);
    length->addWidget(new QLabel(QStringLiteral("m ------>"), box));
    grid->addLayout(length, 3, 0, 1, 2);
    connect(sfDist_, &QDoubleSpinBox::valueChanged, this, [this] { sfSkorChange(); });
    return box;
}

QGroupBox* SettingsDialog::BuildProtocol() {
    auto* group = Named(new QGroupBox(QStringLiteral(" Protokoll "), this), "GroupBox5", QStringLiteral("Protokoll"));
    auto* grid = new QGridLayout(group);
    seEint_ = SecondsSpin(group, "seEint", QStringLiteral("Lauf automatisch übernehmen in:"));
    AddRow(grid, 0, seEint_->accessibleName(), seEint_, 2);
    cbEditRes_ = Named(new QCheckBox(QStringLiteral("Ergebnisse editieren:"), group), "cbEditRes",
                       QStringLiteral("Ergebnisse editieren:"));
    cbEditRes_->setLayoutDirection(Qt::RightToLeft);
    grid->addWidget(cbEditRes_, 1, 0, 1, 3, Qt::AlignLeft);
    Lauf1_ = Named(new QRadioButton(QStringLiteral("1 Lauf"), group), "Lauf1", QStringLiteral("1 Lauf"));
    Lauf2_ = Named(new QRadioButton(QStringLiteral("2 Läufe"), group), "Lauf2", QStringLiteral("2 Läufe"));
    auto* runs = new QButtonGroup(group);
    runs->addButton(Lauf1_);
    runs->addButton(Lauf2_);
    grid->addWidget(Lauf1_, 2, 0);
    grid->addWidget(Lauf2_, 2, 1);
    seMul_ = IntSpin(group, "seMul", QStringLiteral("Zuschlag pro Fehler:"), ranges::Multi);
    AddRow(grid, 3, seMul_->accessibleName(), seMul_, 2);
    // The caption is the check box's own text, so clicking it toggles the box.
    cbBonus_ =
        Named(new QCheckBox(QStringLiteral("Bonus  ja/nein"), group), "cbBonus", QStringLiteral("Bonus  ja/nein"));
    grid->addWidget(cbBonus_, 4, 0, 1, 3);
    seAdel_ = IntSpin(group, "seAdel", QStringLiteral("Autom. DIS ab Verw.:"), ranges::Adel);
    AddRow(grid, 5, seAdel_->accessibleName(), seAdel_, 2);
    cbAutoRang_ =
        Named(new QCheckBox(QStringLiteral("Rang sortieren"), group), "cbAutoRang", QStringLiteral("Rang sortieren"));
    grid->addWidget(cbAutoRang_, 6, 0, 1, 3);
    eDIR_ = TextEdit(group, "eDIR", QStringLiteral("Sicherungsordner:"));
    sbDIR_ = Named(new QToolButton(group), "sbDIR", QStringLiteral("Sicherungsordner wählen"));
    sbDIR_->setText(QStringLiteral("..."));
    AddRow(grid, 7, eDIR_->accessibleName(), eDIR_);
    grid->addWidget(sbDIR_, 7, 2);
    connect(eDIR_, &QLineEdit::textChanged, this, [this] { eDIRChange(); });
    connect(sbDIR_, &QToolButton::clicked, this, [this] { sbDIRClick(); });
    return group;
}

QGroupBox* SettingsDialog::BuildTimeFaults() {
    auto* group =
        Named(new QGroupBox(QStringLiteral(" Zeitfehler "), this), "gbZeitCalc", QStringLiteral("Zeitfehler"));
    auto* grid = new QGridLayout(group);
    cbZFcalc_ = Named(new QCheckBox(QStringLiteral("Zeitfehler  ( Standardzeit - Laufzeit )"), group), "cbZFcalc",
                      QStringLiteral("Zeitfehler  ( Standardzeit - Laufzeit )"));
    grid->addWidget(cbZFcalc_, 0, 0, 1, 4);
    sfSkor_ = RealSpin(group, "sfSkor", QStringLiteral("m/s"), ranges::Skor, 0.1);
    grid->addWidget(sfSkor_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("m/s"), group), 1, 2);
    eZeitStandart_ = Named(new QLabel(group), "eZeitStandart", QStringLiteral("Vorschlag Standardzeit"));
    eZeitMax_ = Named(new QLabel(group), "eZeitMax", QStringLiteral("Vorschlag Maximalzeit"));
    SetColour(eZeitStandart_, "green");
    SetColour(eZeitMax_, "red");
    seZeitStandart_ = IntSpin(group, "seZeitStandart", QStringLiteral("Standardzeit:"), ranges::CourseTime);
    seZeitMax_ = IntSpin(group, "seZeitMax", QStringLiteral("Maximalzeit:"), ranges::CourseTime);
    SetColour(seZeitStandart_, "green");
    SetColour(seZeitMax_, "red");
    grid->addWidget(new QLabel(QStringLiteral("Standardzeit:"), group), 2, 0);
    grid->addWidget(seZeitStandart_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Sek."), group), 2, 2);
    grid->addWidget(eZeitStandart_, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("Maximalzeit:"), group), 3, 0);
    grid->addWidget(seZeitMax_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Sek. = DIS"), group), 3, 2);
    grid->addWidget(eZeitMax_, 3, 3);
    connect(sfSkor_, &QDoubleSpinBox::valueChanged, this, [this] { sfSkorChange(); });
    return group;
}

QGroupBox* SettingsDialog::BuildBands() {
    auto* group = Named(new QGroupBox(QStringLiteral(" Qualifikation Punkten "), this), "GroupBox1",
                        QStringLiteral("Qualifikation Punkten"));
    auto* grid = new QGridLayout(group);
    const std::array<Range<int>, 4> limits = {Range<int>{0, 0}, ranges::QP2, ranges::QP3, ranges::QP4};
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const QString row = QStringLiteral("%1.").arg(i + 1);
        eQP_[n] = Named(new QLineEdit(group), "", QStringLiteral("Name Stufe %1").arg(i + 1));
        eQP_[n]->setObjectName(QStringLiteral("eQP%1").arg(i + 1));
        seQP_[n] = IntSpin(group, "", QStringLiteral("Ab Punkten Stufe %1").arg(i + 1), limits[n]);
        seQP_[n]->setObjectName(QStringLiteral("seQP%1").arg(i + 1));
        grid->addWidget(new QLabel(row, group), i, 0);
        grid->addWidget(eQP_[n], i, 1);
        grid->addWidget(seQP_[n], i, 2);
        grid->addWidget(new QLabel(i < 3 ? QStringLiteral("bis") : QStringLiteral("und mehr"), group), i, 3);
        if (i < 3) {
            eQPbis_[n] = Named(new QLabel(group), "", QStringLiteral("Bis Punkten Stufe %1").arg(i + 1));
            eQPbis_[n]->setObjectName(QStringLiteral("eQP%1bis").arg(i + 1));
            grid->addWidget(eQPbis_[n], i, 4);
        }
        if (i > 0)
            connect(seQP_[n], &QSpinBox::valueChanged, this, [this] { seQPChange(); });
    }
    seQP_[0]->setReadOnly(true);
    seQP_[0]->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return group;
}

QWidget* SettingsDialog::BuildBottom() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    monitorLabel_ = new QLabel(QStringLiteral("TV / Zusatzmonitor:"), box);
    cbMonitor_ = Named(new QComboBox(box), "cbMonitor", QStringLiteral("TV / Zusatzmonitor:"));
    monitorLabel_->setBuddy(cbMonitor_);
    row->addWidget(monitorLabel_);
    row->addWidget(cbMonitor_);
    row->addStretch(1);
    auto* buttons = new QDialogButtonBox(box);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("OK"));
    cancel->setObjectName(QStringLiteral("Abbrechen"));
    ok->setAccessibleName(ok->text());
    cancel->setAccessibleName(cancel->text());
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    row->addWidget(buttons);
    return box;
}

void SettingsDialog::SetForm(const SettingsForm& f) {
    form_ = f;
    eTitel_->setText(Text(f.Title));
    eTitel2_->setText(Text(f.Title2));
    eTitel3_->setText(Text(f.Title3));
    eKat_->setText(Text(f.Katego));
    cbPort_->clear();
    for (const PortEntry& entry : f.ports)
        cbPort_->addItem(Text(PortEntryText(entry)));
    cbPort_->setCurrentIndex(f.portIndex);
    cbAlg_->setCurrentIndex(f.alg);
    seStartBlock_->setValue(f.startLockSeconds);
    (f.kontakt == 0 ? rgKontakt1_ : rgKontakt2_)->setChecked(true);
    cbManuell_->setChecked(f.manuell);
    seWait_->setValue(f.waitSeconds);
    RB_.at(static_cast<std::size_t>(f.lsCfg))->setChecked(true);
    sfDist_->setValue(f.dist);
    seEint_->setValue(f.autoEinSeconds);
    cbEditRes_->setChecked(f.editRes);
    (f.laufCount == 1 ? Lauf1_ : Lauf2_)->setChecked(true);
    seMul_->setValue(f.multi);
    cbBonus_->setChecked(f.bonus);
    seAdel_->setValue(f.adel);
    cbAutoRang_->setChecked(f.autoRang);
    cbLiveWeb_->setChecked(f.liveWeb);
    seLivePort_->setValue(f.livePort);
    eShowServer_->setText(Text(f.showServer));
    seShowPort_->setValue(f.showPort);
    eShowName_->setText(Text(f.showName));
    eShowRing_->setText(Text(f.showRing));
    eShowUser_->setText(Text(f.showUser));
    eShowPassword_->setText(Text(f.showPassword));
    eShowCaFile_->setText(Text(f.showCaFile));
    eDIR_->setText(Text(f.rezervDir));
    cbZFcalc_->setChecked(f.zfCalc);
    sfSkor_->setValue(f.skor);
    seZeitStandart_->setValue(f.zeitStandart);
    seZeitMax_->setValue(f.zeitMax);
    const std::array<const std::string*, 4> names = {&f.qps1, &f.qps2, &f.qps3, &f.qps4};
    const std::array<int, 4> lows = {0, f.qp2, f.qp3, f.qp4};
    for (std::size_t i = 0; i < 4; ++i) {
        eQP_[i]->setText(Text(*names[i]));
        seQP_[i]->setValue(lows[i]);
    }
    cbMonitor_->clear();
    for (const std::string& entry : f.monitors)
        cbMonitor_->addItem(Text(entry));
    cbMonitor_->setCurrentIndex(f.monitorIndex);
    cbMonitor_->setEnabled(f.monitorListEnabled);
    monitorLabel_->setEnabled(f.monitorListEnabled);
    cbPortChange();
    sbDIR_->setToolTip(eDIR_->text());
    eDIRChange();
    seQPChange();
    sfSkorChange();
}

SettingsForm SettingsDialog::Form() const {
    SettingsForm f = form_;
    f.Title = eTitel_->text().toStdString();
    f.Title2 = eTitel2_->text().toStdString();
    f.Title3 = eTitel3_->text().toStdString();
    f.Katego = eKat_->text().toStdString();
    f.portIndex = cbPort_->currentIndex();
    f.alg = cbAlg_->currentIndex();
    f.startLockSeconds = seStartBlock_->value();
    f.kontakt = rgKontakt1_->isChecked() ? 0 : 1;
    f.manuell = cbManuell_->isChecked();
    f.waitSeconds = seWait_->value();
    for (std::size_t i = 0; i < RB_.size(); ++i)
        if (RB_[i]->isChecked())
            f.lsCfg = static_cast<int>(i);
    f.dist = sfDist_->value();
    f.autoEinSeconds = seEint_->value();
    f.editRes = cbEditRes_->isChecked();
    f.laufCount = Lauf1_->isChecked() ? 1 : 2;
    f.multi = seMul_->value();
    f.bonus = cbBonus_->isChecked();
    f.adel = seAdel_->value();
    f.autoRang = cbAutoRang_->isChecked();
    f.liveWeb = cbLiveWeb_->isChecked();
    f.livePort = seLivePort_->value();
    f.showServer = eShowServer_->text().trimmed().toStdString();
    f.showPort = seShowPort_->value();
    f.showName = eShowName_->text().trimmed().toStdString();
    f.showRing = eShowRing_->text().trimmed().toStdString();
    f.showUser = eShowUser_->text().toStdString();
    f.showPassword = eShowPassword_->text().toStdString();
    f.showCaFile = eShowCaFile_->text().toStdString();
    f.rezervDir = eDIR_->text().toStdString();
    f.zfCalc = cbZFcalc_->isChecked();
    f.skor = sfSkor_->value();
    f.zeitStandart = seZeitStandart_->value();
    f.zeitMax = seZeitMax_->value();
    f.qp2 = seQP_[1]->value();
    f.qp3 = seQP_[2]->value();
    f.qp4 = seQP_[3]->value();
    f.qps1 = eQP_[0]->text().toStdString();
    f.qps2 = eQP_[1]->text().toStdString();
    f.qps3 = eQP_[2]->text().toStdString();
    f.qps4 = eQP_[3]->text().toStdString();
    f.monitorIndex = f.monitorListEnabled ? cbMonitor_->currentIndex() : 0;
    return f;
}

void SettingsDialog::cbPortChange() {
    const bool port = cbPort_->currentIndex() > 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{cbAlg_, seWait_, cbManuell_, seStartBlock_, rgKontakt1_, rgKontakt2_})
        w->setEnabled(port);
}

void SettingsDialog::sfSkorChange() {
    const SuggestedTimes times = SuggestTimes(sfDist_->value(), sfSkor_->value());
    eZeitStandart_->setText(QString::number(times.standard));
    eZeitMax_->setText(QString::number(times.maximum));
}

void SettingsDialog::seQPChange() {
    for (std::size_t i = 0; i < eQPbis_.size(); ++i)
        eQPbis_[i]->setText(Text(BandUpperText(seQP_[i + 1]->value())));
}

void SettingsDialog::sbDIRClick() {
    QString folder = chooseFolder_ ? chooseFolder_(this, eDIR_->text()) : QString();
    if (folder.isEmpty())
        return;
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    eDIR_->setText(folder);
    sbDIR_->setToolTip(folder);
}

void SettingsDialog::eDIRChange() {
    const QString path = eDIR_->text();
    const bool exists = !path.isEmpty() && QDir(path).exists();
    SetColour(eDIR_, exists ? "black" : "red");
}

} // namespace caniparc::ui
