// The station's main window (see MainWindow.h).
#include "MainWindow.h"

#include "FileChooser.h"
#include "LaneFrame.h"
#include "ProtocolGrid.h"
#include "ShortcutPriority.h"
#include "protocol/ProtocolLayout.h"
#include "settings/Settings.h"
#include "settings/SettingsIO.h"
#include "station/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace caniparc::ui {

namespace {

QString ColourName(Rgb c) {
    return QColor(c.r, c.g, c.b).name();
}

struct ActionSpec {
    Command command;
    const char* caption;
    QKeySequence key;
};

} // namespace

MainWindow::MainWindow(Station& station, Dialogs& dialogs, FileChooser& files, QWidget* parent)
    : QMainWindow(parent), station_(station), run_(station.Run()), settings_(station.GetSettings()), dialogs_(dialogs),
      files_(files) {
    setWindowTitle(QStringLiteral("Caniparc 3.3"));
    setMinimumSize(800, 522);
    BuildActions();
    BuildToolBar();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    for (int lane = 0; lane < 2; ++lane) {
        auto* row = new QHBoxLayout;
        row->addWidget(BuildLane(lane), 1);
        row->addWidget(BuildLaneEditors(lane));
        layout->addLayout(row);
    }
    layout->addWidget(BuildButtons());
    barriers_ = new QLabel(central);
    layout->addWidget(barriers_);
    layout->addWidget(BuildImitation());
    layout->addWidget(BuildProtocol(), 1);
    setCentralWidget(central);
    rowPanel_ = new QLabel(this);
    rowPanel_->setMinimumWidth(60);
    rowPanel_->setAlignment(Qt::AlignCenter);
    backupPanel_ = new QLabel(this);
    backupPanel_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    statusBar()->addWidget(rowPanel_);
    statusBar()->addWidget(backupPanel_, 1);
    qApp->installEventFilter(new ShortcutPriority(this));
    run_.SetListener(this);
    station_.SetListener(this);
    StatusChanged();
    RankingChanged();
    BarriersChanged();
    ProtocolCommandsChanged();
    ApplyCourseScheme();
    CommandsChanged();
    for (int lane = 0; lane < 2; ++lane) {
        LaneDigitsChanged(lane);
        LaneFieldsChanged(lane);
    }
}

MainWindow::~MainWindow() {
    run_.SetListener(nullptr);
    station_.SetListener(nullptr);
}

void MainWindow::BuildActions() {
    const ActionSpec specs[] = {
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
    for (const auto& spec : specs) {
        auto* action = new QAction(QString::fromUtf8(spec.caption), this);
        action->setShortcut(spec.key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        actions_[spec.command] = action;
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

QWidget* MainWindow::BuildLane(int lane) {
    auto* frame = new LaneFrame(this);
    frame->setObjectName(lane == 0 ? QStringLiteral("FrameT1") : QStringLiteral("FrameT2"));
    connect(frame, &LaneFrame::startNumberChanged, this, [this, lane](int value) { run_.SetStartNumber(lane, value); });
    connect(frame, &LaneFrame::contactChosen, this, [this, lane](int index) { run_.SelectContact(lane, index); });
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
        edit->setMaximumWidth(70);
        grid->addWidget(new QLabel(QString::fromUtf8(caption), box), row, 0);
        grid->addWidget(edit, row, 1);
        connect(edit, &QLineEdit::textEdited, this,
                [this, lane, field](const QString& text) { run_.SetLaneField(lane, field, text.toStdString()); });
        return edit;
    };
    const bool first = lane == 0;
    w.faults = addField(0, "Parcours- Fehler:", first ? Command::Faults1 : Command::Faults2, "eParc");
    w.refusals = addField(1, "Verweige- rungen:", first ? Command::Refusals1 : Command::Refusals2, "eWei");
    w.timeFaults = addField(2, "Z.-Fehler:", first ? Command::TimeFaults1 : Command::TimeFaults2, "eFehler");
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
    auto* row = new QHBoxLayout(box);
    row->addWidget(AddButton(Command::Start, "START", "[F8]"));
    auto* pause = AddButton(Command::Pause, "Pause", "[F5] Anhalten / Fortsetzen");
    pause->setCheckable(true);
    row->addWidget(pause);
    automatic_ = new QCheckBox(QStringLiteral("Automatisch"), box);
    automatic_->setChecked(settings_.AutoEin);
    automatic_->setToolTip(QString::fromStdString(AutoEntryHint(settings_.AutoEinS, settings_.DecimalSeparator)));
    connect(automatic_, &QCheckBox::toggled, this, [this](bool on) { run_.SetAutomaticEntry(on); });
    row->addWidget(automatic_);
    row->addWidget(AddButton(Command::Eintragen, "Eintragen", "[F7]"));
    autoNext_ = new QCheckBox(QStringLiteral("Auto"), box);
    autoNext_->setChecked(settings_.AutoNext);
    autoNext_->setToolTip(QString::fromUtf8(AutoNextHint.data(), static_cast<qsizetype>(AutoNextHint.size())));
    connect(autoNext_, &QCheckBox::toggled, this, [this](bool on) { run_.SetAutoNext(on); });
    row->addWidget(autoNext_);
    row->addWidget(AddButton(Command::Next, "Nächster", "[Ctrl+N]"));
    row->addWidget(AddButton(Command::Abbruch, "Abbruch", "[Ctrl+X]"));
    return box;
}

QPushButton* MainWindow::AddButton(Command command, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, this);
    button->setToolTip(hint);
    button->setMinimumHeight(40);
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
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; font: bold 14px;"
                                         " border: 2px outset %2; }")
                              .arg(ColourName(c.colour), ColourName(c.light)));
}

void MainWindow::CommandsChanged() {
    for (auto& [command, action] : actions_)
        action->setEnabled(run_.Enabled(command));
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
}

void MainWindow::RefreshBarriers() {
    const auto text = [this](Barrier b) {
        return run_.BarrierFree(b) ? QStringLiteral("frei") : QStringLiteral("gesperrt");
    };
    barriers_->setText(QStringLiteral("[F10] Start-LS %1   [F11] Ziel-LS %2   [F12] Ziel-LS2 %3")
                           .arg(text(Barrier::Start), text(Barrier::Finish1), text(Barrier::Finish2)));
}

void MainWindow::LaneDigitsChanged(int lane) {
    lanes_[static_cast<std::size_t>(lane)].frame->SetDigits(run_.Lane(lane).digits);
}

void MainWindow::LaneFieldsChanged(int lane) {
    auto& w = lanes_[static_cast<std::size_t>(lane)];
    const LaneState& l = run_.Lane(lane);
    w.frame->SetStartNumber(l.startNumber, l.startNumberEnabled);
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
    lanes_[1].frame->StartNumberEdit()->setVisible(twoLanes);
    if (twoLanes)
        lanes_[1].frame->SetCaption(QStringLiteral("Start-Nr.:"));
    else
        RankingChanged();
    if (auto* stop = Button(Command::Stop1))
        stop->setText(twoLanes ? QStringLiteral("STOPP 1") : QStringLiteral("STOPP"));
}

QWidget* MainWindow::BuildProtocol() {
    grid_ = new ProtocolGrid(station_.Protocol(), station_.Sort(), settings_, this);
    connect(grid_, &ProtocolGrid::RowSelected, this,
            [this](int, const QString& positionText) { rowPanel_->setText(positionText); });
    return grid_;
}

QTableView* MainWindow::ProtocolView() const {
    return grid_->View();
}

QString MainWindow::StatusText(int panel) const {
    return panel == 0 ? rowPanel_->text() : backupPanel_->text();
}

void MainWindow::SelectRow(int row) {
    grid_->SelectProtocolRow(row);
}

void MainWindow::StatusChanged() {
    QStringList texts;
    for (const std::string& text : {station_.BackupStatusText(), station_.PortStatusText()}) {
        if (!text.empty())
            texts << QString::fromStdString(text);
    }
    backupPanel_->setText(texts.join(QStringLiteral("   ")));
}

QWidget* MainWindow::BuildImitation() {
    imitation_ = new QWidget(this);
    imitation_->setToolTip(QStringLiteral("Lichtschranken Imitation"));
    auto* row = new QHBoxLayout(imitation_);
    row->addWidget(new QLabel(QStringLiteral("LS IMIT"), imitation_));
    const std::array<std::pair<const char*, const char*>, 3> buttons = {
        {{"7+8", "LS-Start"}, {"1+4", "Ziel 1"}, {"4+6", "Ziel 2"}}};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(buttons[i].first), imitation_);
        button->setToolTip(QString::fromLatin1(buttons[i].second));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, i] { station_.Routing().bImitClick(i + 1); });
        row->addWidget(button);
        imitationButtons_[static_cast<std::size_t>(i)] = button;
    }
    row->addStretch(1);
    imitation_->hide();
    return imitation_;
}

void MainWindow::BarriersChanged() {
    auto& routing = station_.Routing();
    const BarrierDisplay& display = routing.Display();
    barriers_->setVisible(display.lockPictures);
    lanes_[0].frame->SetContactsVisible(display.contactList1);
    lanes_[1].frame->SetContactsVisible(display.contactList2 && settings_.LsCFG == 2);
    for (int i = 0; i < 3; ++i)
        imitationButtons_[static_cast<std::size_t>(i)]->setEnabled(routing.ImitationEnabled(i + 1));
}

void MainWindow::RankingChanged() {
    if (settings_.LsCFG == 2)
        return;
    const int best = station_.GetRanking().bestStartNr;
    lanes_[1].frame->SetCaption(best > 0 ? QStringLiteral("Best Start-Nr. %1").arg(best) : QStringLiteral("Bestzeit:"));
}

void MainWindow::BuildToolBar() {
    auto* bar = addToolBar(QStringLiteral("Protokoll"));
    bar->setMovable(false);
    const auto add = [this, bar](QStyle::StandardPixmap icon, const QString& hint, const QKeySequence& key) {
        auto* action = bar->addAction(style()->standardIcon(icon), hint);
        action->setToolTip(hint);
        action->setShortcut(key);
        return action;
    };
    openAction_ =
        add(QStyle::SP_DialogOpenButton, QStringLiteral("[Ctrl+O] Starterliste oder gespeichertes Protokoll öffnen"),
            QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction_ = add(QStyle::SP_DialogSaveButton, QStringLiteral("[Ctrl+S] Speichern unter..."),
                      QKeySequence(Qt::CTRL | Qt::Key_S));
    clearAction_ = add(QStyle::SP_TrashIcon, QStringLiteral("[F9] Löschen"), QKeySequence(Qt::Key_F9));
    connect(openAction_, &QAction::triggered, this, [this] { OpenProtocol(); });
    connect(saveAction_, &QAction::triggered, this, [this] { SaveProtocol(); });
    connect(clearAction_, &QAction::triggered, this, [this] { station_.ClearProtocol(); });
}

void MainWindow::OpenProtocol() {
    if (!station_.MayReplaceProtocol())
        return;
    const FileChoice choice = files_.ChooseOpen(this, QString::fromStdString(station_.ProgramFolder()),
                                                {QStringLiteral("Textdatei (*.txt)")}, settings_.FilterIndO);
    if (choice.path.isEmpty()) {
        grid_->ApplyLayout();
        return;
    }
    settings_.FilterIndO = choice.filterIndex;
    const FileResult result = station_.OpenProtocol(choice.path.toStdString());
    if (!result.Ok())
        dialogs_.Inform(DescribeFileResult(result));
    grid_->ApplyLayout();
}

void MainWindow::SaveProtocol() {
    const QDateTime now = QDateTime::currentDateTime();
    std::tm local{};
    local.tm_year = now.date().year() - 1900;
    local.tm_mon = now.date().month() - 1;
    local.tm_mday = now.date().day();
    local.tm_hour = now.time().hour();
    local.tm_min = now.time().minute();
    const QString proposed = QString::fromStdString(TimeStampName(local));
    const FileChoice choice = files_.ChooseSave(this, QString::fromStdString(station_.ProgramFolder()), proposed,
                                                {QStringLiteral("Textdatei (*.txt)")}, settings_.FilterInd);
    if (choice.path.isEmpty())
        return;
    settings_.FilterInd = choice.filterIndex;
    // Unlike a silent failure, the operator learns that the file is not there.
    const FileResult result = station_.SaveProtocolAs(choice.path.toStdString());
    if (!result.Ok())
        dialogs_.Inform(DescribeFileResult(result));
}

void MainWindow::ProtocolCommandsChanged() {
    const ProtocolCommandState state = station_.ProtocolCommands();
    saveAction_->setEnabled(state.save);
    clearAction_->setEnabled(state.clear);
}

void MainWindow::CloseWithoutQuestion() {
    closeWithoutQuestion_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run that is being timed or waits for its entry would be lost by closing.
    if (!closeWithoutQuestion_ && station_.CloseNeedsConsent() && !dialogs_.Ask("Beenden?")) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace caniparc::ui
