// The station's main window (see MainWindow.h).
#include "MainWindow.h"

#include "FileChooser.h"
#include "LaneFrame.h"
#include "LiveServer.h"
#include "MonitorWindow.h"
#include "ProtocolGrid.h"
#include "SettingsDialog.h"
#include "ShortcutPriority.h"
#include "protocol/ProtocolLayout.h"
#include "settings/Settings.h"
#include "settings/SettingsIO.h"
#include "station/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace caniparc::ui {

namespace {

QString ColourName(Rgb c) {
    return QColor(c.r, c.g, c.b).name();
}

// The window height at which the lanes have their natural height.
constexpr int kMinWindowHeightForLanes = 557;

struct CommandKey {
    Command command;
    const char* caption;
    QKeySequence key;
};

} // namespace

MainWindow::MainWindow(Station& station, Dialogs& dialogs, FileChooser& files, WindowResources resources,
                       QWidget* parent)
    : QMainWindow(parent), station_(station), run_(station.Run()), settings_(station.GetSettings()), dialogs_(dialogs),
      files_(files), resources_(std::move(resources)) {
    setWindowTitle(QStringLiteral("Caniparc 3.3"));
    setMinimumSize(800, 522);
    BuildActions();
    BuildToolBar();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QGridLayout;
    for (int lane = 0; lane < 2; ++lane) {
        top->addWidget(BuildLane(lane), lane, 0);
        top->addWidget(BuildLaneEditors(lane), lane, 1, Qt::AlignTop);
    }
    top->addWidget(BuildButtons(), 0, 2, 2, 1);
    top->setColumnStretch(0, 1);
    layout->addLayout(top);
    layout->addWidget(BuildImitation());
    layout->addWidget(BuildProtocol(), 1);
    setCentralWidget(central);
    BuildProtocolMenu();
    BuildStatusBar();
    BuildLive();
    BuildShow();
    qApp->installEventFilter(new ShortcutPriority(this));
    BuildMonitor();
    ReachKeysFromEveryWindow();
    run_.SetListener(this);
    station_.SetListener(this);
    StatusChanged();
    RankingChanged();
    BarriersChanged();
    ProtocolCommandsChanged();
    StartListsChanged();
    ApplyCourseScheme();
    SelectRow(station_.SelectedRow());
    CommandsChanged();
    for (int lane = 0; lane < 2; ++lane) {
        LaneDigitsChanged(lane);
        LaneFieldsChanged(lane);
    }
}

MainWindow::~MainWindow() {
    run_.SetListener(nullptr);
    station_.SetListener(nullptr);
    // The widgets are hidden only after this destructor, by QWidget's: an open contact list then
    // reports being closed, and its handler would reach into a window already taken apart.
    for (const auto& lane : lanes_)
        if (lane.frame)
            lane.frame->disconnect(this);
}

void MainWindow::BuildActions() {
    const CommandKey keys[] = {
        {Command::Start, "Start", Qt::Key_F8},
        {Command::Stop1, "Stopp1", Qt::Key_F4},
        {Command::Stop2, "Stopp2", Qt::Key_F6},
        {Command::Pause, "Pause", Qt::Key_F5},
        {Command::Eintragen, "Eintragen", Qt::Key_F7},
        {Command::Next, "Next", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {Command::Abbruch, "Abbruch", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {Command::CFG, "Einstellungen", Qt::Key_F2},
        {Command::Dis1, "Disqual. 1", QKeySequence(Qt::CTRL | Qt::Key_1)},
        {Command::Dis2, "Disqual. 2", QKeySequence(Qt::CTRL | Qt::Key_2)},
    };
    for (const auto& entry : keys) {
        auto* action = new QAction(QString::fromUtf8(entry.caption), this);
        action->setShortcut(entry.key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        actions_[entry.command] = action;
    }
    connect(actions_[Command::Start], &QAction::triggered, this, [this] { run_.Start(); });
    connect(actions_[Command::Stop1], &QAction::triggered, this, [this] { run_.Stop(0); });
    connect(actions_[Command::Stop2], &QAction::triggered, this, [this] { run_.Stop(1); });
    connect(actions_[Command::Pause], &QAction::triggered, this, [this] { run_.Pause(); });
    connect(actions_[Command::Eintragen], &QAction::triggered, this, [this] { run_.Enter(); });
    connect(actions_[Command::Next], &QAction::triggered, this, [this] { run_.AbortOrNext(Command::Next); });
    connect(actions_[Command::Abbruch], &QAction::triggered, this, [this] { run_.AbortOrNext(Command::Abbruch); });
    connect(actions_[Command::Dis1], &QAction::triggered, this, [this] { run_.DisqualifyCommand(0); });
    connect(actions_[Command::Dis2], &QAction::triggered, this, [this] { run_.DisqualifyCommand(1); });
    // Ctrl+End and Ctrl+Down are the keypad's 1 and 2 without NumLock.
    actions_[Command::Dis1]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_1), QKeySequence(Qt::CTRL | Qt::Key_End)});
    actions_[Command::Dis2]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_2), QKeySequence(Qt::CTRL | Qt::Key_Down)});
    BuildCountingActions();
    connect(actions_[Command::CFG], &QAction::triggered, this, [this] { OpenSettings(); });

    const std::array<std::pair<const char*, int>, 3> locks = {
        {{"Lock LS Start", Qt::Key_F10}, {"Lock LS1", Qt::Key_F11}, {"Lock LS2", Qt::Key_F12}}};
    for (int i = 0; i < 3; ++i) {
        auto* action = new QAction(QString::fromUtf8(locks[i].first), this);
        action->setShortcut(QKeySequence(locks[i].second));
        addAction(action);
        barrierActions_[static_cast<std::size_t>(i)] = action;
    }
    auto& routing = station_.Routing();
    connect(barrierActions_[0], &QAction::triggered, this, [&routing] { routing.LockLS1Click(); });
    connect(barrierActions_[1], &QAction::triggered, this, [&routing] { routing.LockLS2Click(); });
    connect(barrierActions_[2], &QAction::triggered, this, [&routing] { routing.LockLS21Click(); });
    auto* imitation = new QAction(QStringLiteral("LS Test"), this);
    imitation->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    addAction(imitation);
    connect(imitation, &QAction::triggered, this, [this] { imitation_->setVisible(!imitation_->isVisible()); });
}

void MainWindow::ReachKeysFromEveryWindow() {
    // A click on the spectators' display makes it the active window; with the keys bound to the
    // main window alone, F4 would then be lost and the run timed on. A modal dialog still holds
    // them back, as it holds back the main window.
    for (QAction* action : findChildren<QAction*>())
        if (!action->shortcuts().isEmpty())
            action->setShortcutContext(Qt::ApplicationShortcut);
}

void MainWindow::BuildCountingActions() {
    const struct {
        const char* caption;
        QKeySequence key;
        Command field;
        int step;
    } counts[] = {
        {"Fehler +1", QKeySequence(Qt::CTRL | Qt::Key_F), Command::Faults1, +1},
        {"Fehler -1", QKeySequence(Qt::ALT | Qt::Key_F), Command::Faults1, -1},
        {"Verweigerungen +1", QKeySequence(Qt::CTRL | Qt::Key_V), Command::Refusals1, +1},
        {"Verweigerungen -1", QKeySequence(Qt::ALT | Qt::Key_V), Command::Refusals1, -1},
    };
    for (std::size_t i = 0; i < countActions_.size(); ++i) {
        auto* action = new QAction(QString::fromUtf8(counts[i].caption), this);
        action->setShortcut(counts[i].key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        const Command field = counts[i].field;
        const int step = counts[i].step;
        connect(action, &QAction::triggered, this, [this, field, step] { run_.CountInput(field, step); });
        countActions_[i] = action;
    }
}

QWidget* MainWindow::BuildLane(int lane) {
    auto* frame = new LaneFrame(this);
    frame->SetLaneName(lane);
    frame->setMinimumSize(frame->sizeHint()); // the digits never get squeezed
    frame->setObjectName(lane == 0 ? QStringLiteral("FrameT1") : QStringLiteral("FrameT2"));
    connect(frame, &LaneFrame::startNumberChanged, this, [this, lane](int value) { run_.SetStartNumber(lane, value); });
    connect(frame, &LaneFrame::startListChosen, this,
            [this, lane](int index) { station_.ChooseFromStartList(lane, index); });
    connect(frame, &LaneFrame::contactChosen, this, [this, lane](int index) { run_.SelectContact(lane, index); });
    connect(frame, &LaneFrame::contactListClosed, this, [this, lane] { run_.ContactListClosed(lane); });
    connect(frame, &LaneFrame::contactTextEdited, this,
            [this, lane](const QString& text) { run_.SetContactText(lane, text.toStdString()); });
    lanes_[static_cast<std::size_t>(lane)].frame = frame;
    return frame;
}

QWidget* MainWindow::BuildLaneEditors(int lane) {
    auto& w = lanes_[static_cast<std::size_t>(lane)];
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    const auto addField = [&](int row, const char* caption, Command field, const char* name) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(name) + QString::number(lane + 1));
        edit->setAccessibleName(QString::fromUtf8(caption) + QStringLiteral(" Bahn %1").arg(lane + 1));
        edit->setFixedWidth(52);
        auto* label = new QLabel(QString::fromUtf8(caption), box);
        label->setWordWrap(true); // "Parcours- Fehler:" breaks after the hyphen, as on the ring laptops
        label->setFixedWidth(70);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        connect(edit, &QLineEdit::textEdited, this,
                [this, lane, field](const QString& text) { run_.SetLaneField(lane, field, text.toStdString()); });
        return edit;
    };
    const bool first = lane == 0;
    w.faults = addField(0, "Parcours- Fehler:", first ? Command::Faults1 : Command::Faults2, "eParc");
    w.refusals = addField(1, "Verweige- rungen:", first ? Command::Refusals1 : Command::Refusals2, "eWei");
    w.timeFaults = addField(2, "Z.-Fehler:", first ? Command::TimeFaults1 : Command::TimeFaults2, "eFehler");
    // Time faults take digits and the decimal separator only, typed or pasted.
    const QString separator = QRegularExpression::escape(QString(QChar::fromLatin1(settings_.DecimalSeparator)));
    w.timeFaults->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9%1]*").arg(separator)), w.timeFaults));
    if (first) {
        w.faults->setToolTip(QStringLiteral("[Ctrl+F] -> +1, [Alt+F] -> -1"));
        w.refusals->setToolTip(QStringLiteral("[Ctrl+V] -> +1, [Alt+V] -> -1"));
    }
    auto* stop =
        AddButton(first ? Command::Stop1 : Command::Stop2, first ? "STOPP 1" : "STOPP 2", first ? "[F4]" : "[F6]");
    auto* dis = AddButton(first ? Command::Dis1 : Command::Dis2, "Disqual.", first ? "[Ctrl+1]" : "[Ctrl+2]");
    grid->addWidget(stop, 0, 2, 2, 1);
    grid->addWidget(dis, 2, 2);
    w.editors = box;
    return box;
}

QWidget* MainWindow::BuildButtons() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(AddButton(Command::Start, "START", "[F8]"));
    auto* pause = AddButton(Command::Pause, "Pause", "[F5] Anhalten / Fortsetzen");
    pause->setCheckable(true);
    column->addWidget(pause);
    automatic_ = new QCheckBox(QStringLiteral("Automatisch"), box);
    automatic_->setChecked(settings_.AutoEin);
    automatic_->setToolTip(QString::fromStdString(AutoEntryHint(settings_.AutoEinS, settings_.DecimalSeparator)));
    connect(automatic_, &QCheckBox::toggled, this, [this](bool on) { run_.SetAutomaticEntry(on); });
    column->addWidget(automatic_);
    column->addWidget(AddButton(Command::Eintragen, "Eintragen", "[F7]"));
    autoNext_ = new QCheckBox(QStringLiteral("Auto-Nächster"), box);
    autoNext_->setChecked(settings_.AutoNext);
    autoNext_->setToolTip(QString::fromUtf8(AutoNextHint.data(), static_cast<qsizetype>(AutoNextHint.size())));
    connect(autoNext_, &QCheckBox::toggled, this, [this](bool on) { run_.SetAutoNext(on); });
    column->addWidget(autoNext_);
    column->addWidget(AddButton(Command::Next, "Nächster", "[Ctrl+N]"));
    column->addWidget(AddButton(Command::Abbruch, "Abbruch", "[Ctrl+X]"));
    column->addStretch(1);
    return box;
}

QPushButton* MainWindow::AddButton(Command command, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, this);
    button->setToolTip(hint);
    button->setAccessibleName(caption);
    button->setAccessibleDescription(hint);
    button->setMinimumSize(96, 40);
    button->setFocusPolicy(Qt::NoFocus); // keys belong to the commands, not to a focused button
    buttons_[command] = button;
    connect(button, &QPushButton::clicked, this, [this, command] {
        switch (command) {
        case Command::Start:
            run_.StartButtonPressed();
            break;
        default:
            if (auto* action = Action(command))
                action->trigger();
            break;
        }
        CommandsChanged(); // a checkable button flips itself; the model decides
    });
    return button;
}

QAction* MainWindow::Action(Command command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QPushButton* MainWindow::Button(Command command) const {
    const auto it = buttons_.find(command);
    return it == buttons_.end() ? nullptr : it->second;
}

void MainWindow::PaintButton(Command command) {
    auto* button = Button(command);
    if (!button)
        return;
    const bool enabled = run_.Enabled(command);
    button->setEnabled(enabled);
    const ButtonColours c = ButtonColoursFor(command, enabled);
    if (c.systemColours) {
        button->setStyleSheet(QString());
        return;
    }
    // A checked button (Pause while paused) is drawn pressed in, so a paused run never looks
    // like a running one.
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; font: bold 14px;"
                                         " border: 2px outset %2; }"
                                         " QPushButton:checked { background-color: %3; border: 4px inset %2; }")
                              .arg(ColourName(c.colour), ColourName(c.light),
                                   QColor(c.colour.r, c.colour.g, c.colour.b).darker(150).name()));
}

void MainWindow::CommandsChanged() {
    for (auto& [command, action] : actions_)
        action->setEnabled(run_.Enabled(command));
    // The counting keys follow lane 1's fields.
    countActions_[0]->setEnabled(run_.Enabled(Command::Faults1));
    countActions_[1]->setEnabled(run_.Enabled(Command::Faults1));
    countActions_[2]->setEnabled(run_.Enabled(Command::Refusals1));
    countActions_[3]->setEnabled(run_.Enabled(Command::Refusals1));
    for (auto& [command, button] : buttons_)
        PaintButton(command);
    if (auto* pause = Button(Command::Pause))
        pause->setChecked(run_.Model().paused);
    for (int lane = 0; lane < 2; ++lane) {
        auto& w = lanes_[static_cast<std::size_t>(lane)];
        const bool first = lane == 0;
        w.faults->setEnabled(run_.Enabled(first ? Command::Faults1 : Command::Faults2));
        w.refusals->setEnabled(run_.Enabled(first ? Command::Refusals1 : Command::Refusals2));
        w.timeFaults->setEnabled(run_.Enabled(first ? Command::TimeFaults1 : Command::TimeFaults2));
    }
    RefreshBarriers();
    ProtocolCommandsChanged(); // F9 follows the run state
}

void MainWindow::RefreshBarriers() {
    for (int i = 0; i < 3; ++i) {
        const bool free = run_.BarrierFree(static_cast<Barrier>(i));
        QPixmap picture(22, 22);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(free ? QColor(0, 200, 0) : QColor(220, 0, 0));
        painter.setPen(Qt::black);
        painter.drawEllipse(2, 2, 18, 18);
        if (!free)
            painter.fillRect(6, 10, 10, 3, Qt::white); // a bar across: locked
        barrierPictures_[static_cast<std::size_t>(i)]->setIcon(picture);
    }
}

void MainWindow::LaneDigitsChanged(int lane) {
    lanes_[static_cast<std::size_t>(lane)].frame->SetDigits(run_.Lane(lane).digits);
    monitor_->SetDigits(lane, run_.Lane(lane).digits);
}

void MainWindow::LaneFieldsChanged(int lane) {
    auto& w = lanes_[static_cast<std::size_t>(lane)];
    const LaneState& l = run_.Lane(lane);
    w.frame->SetStartNumber(l.startNumber, l.startNumberEnabled);
    RefreshMonitorStrips();
    const auto setText = [](QLineEdit* edit, const std::string& text) {
        const QString value = QString::fromStdString(text);
        if (edit->text() != value)
            edit->setText(value);
    };
    setText(w.faults, l.faultsText);
    setText(w.refusals, l.refusalsText);
    setText(w.timeFaults, l.timeFaultText);
    w.frame->SetContacts(l.contacts, l.selectedContact, l.contactStyle, l.contactListEnabled, l.contactText);
}

void MainWindow::ApplyCourseScheme() {
    const bool twoLanes = settings_.LsCFG == 2;
    lanes_[1].editors->setVisible(twoLanes);
    ApplyStartControls();
    if (twoLanes)
        lanes_[1].frame->SetCaption(QStringLiteral("Start-Nr.:"));
    else
        RankingChanged();
    if (auto* stop = Button(Command::Stop1))
        stop->setText(twoLanes ? QStringLiteral("STOPP 1") : QStringLiteral("STOPP"));
    RefreshMonitorStrips();
}

void MainWindow::OpenSettings() {
    if (!run_.Enabled(Command::CFG))
        return;
    if (!settingsDialog_)
        settingsDialog_ = new SettingsDialog(
            [this](QWidget* parent, const QString& start) { return files_.ChooseFolder(parent, start); }, this);
    std::vector<MonitorBounds> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->geometry();
        monitors.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    settingsDialog_->SetForm(FormFromSettings(settings_, monitors));
    settingsDialog_->SetLiveAddresses(LiveAddressText());
    const bool ok = settingsDialog_->exec() == QDialog::Accepted;
    if (ok) {
        QCoreApplication::processEvents(); // let the dialog's closing paint first
        const QRect bounds = geometry();   // stored with the settings at once
        settings_.Left = bounds.x();
        settings_.Top = bounds.y();
        settings_.Width = bounds.width();
        settings_.Height = bounds.height();
        const bool saved = station_.ApplySettingsForm(settingsDialog_->Form(), *this);
        ApplyLive();
        ApplyShow();
        if (!saved)
            dialogs_.Inform("Die Einstellungen konnten nicht gespeichert werden.");
    }
    centralWidget()->setFocus();
}

void MainWindow::CourseTimesChanged() {
    e2ZeitStandart_->setText(QString::number(settings_.ZeitStandart));
    e2ZeitMax_->setText(QString::number(settings_.ZeitMax));
}

void MainWindow::AutoEntryHintChanged() {
    automatic_->setToolTip(QString::fromStdString(AutoEntryHint(settings_.AutoEinS, settings_.DecimalSeparator)));
}

void MainWindow::ColumnsChanged() {
    grid_->ApplyLayout();
}

void MainWindow::CloseWithoutQuestion() {
    closeWithoutQuestion_ = true;
    close();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A taller window (maximized on a laptop) gives a quarter of its extra height to each lane,
    // so the digits grow with the frame instead of leaving wide black bars; the protocol keeps
    // the rest.
    const int extra = std::max(0, height() - kMinWindowHeightForLanes);
    for (auto& lane : lanes_)
        lane.frame->setMinimumHeight(lane.frame->sizeHint().height() + extra / 4);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run that is being timed or waits for its entry would be lost by closing.
    if (!closeWithoutQuestion_ && station_.CloseNeedsConsent() && !dialogs_.Ask("Beenden?")) {
        event->ignore();
        return;
    }
    // With the backup failing, the last runs may be in no file: "Nein" stays and offers to save
    // the protocol elsewhere.
    if (!closeWithoutQuestion_ && station_.CloseNeedsBackupConsent() &&
        !dialogs_.Ask("Sicherung fehlgeschlagen – trotzdem beenden?")) {
        event->ignore();
        SaveProtocol();
        return;
    }
    StopShow(); // the ring goes offline on the board at once, not after the broker gives up on it
    event->accept();
}

} // namespace caniparc::ui
