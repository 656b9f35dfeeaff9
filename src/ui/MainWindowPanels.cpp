// The main window's side pieces: the tool bar with the protocol file commands, the protocol
// grid, the status bar, the barrier lock pictures and imitation panel, help and information.
#include "MainWindow.h"

#include "ClockPanel.h"
#include "ExportCommands.h"
#include "FileChooser.h"
#include "InfoWindow.h"
#include "LaneFrame.h"
#include "ProtocolGrid.h"
#include "StatusPanel.h"
#include "settings/FileAccess.h"
#include "station/Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <ctime>

namespace caniparc::ui {

QWidget* MainWindow::BuildProtocol() {
    grid_ = new ProtocolGrid(station_.Protocol(), station_.Sort(), settings_, this);
    grid_->View()->setAccessibleName(QStringLiteral("PROTOKOLL"));
    connect(grid_, &ProtocolGrid::RowSelected, this,
            [this](int, const QString& positionText) { rowPanel_->setText(positionText); });
    connect(grid_->View(), &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { station_.TakeStartersFromRow(index.row() + 1); });
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
    // The starter the station chose (entry, start list, next starter) stands in the middle.
    grid_->ScrollToRow(row);
}

void MainWindow::StatusChanged() {
    QStringList shown;
    QStringList whole;
    const std::string port = station_.PortStatusText();
    for (const auto& [brief, full] :
         {std::pair{station_.BackupStatusSummary(), station_.BackupStatusText()}, std::pair{port, port}}) {
        if (!brief.empty())
            shown << QString::fromStdString(brief);
        if (!full.empty())
            whole << QString::fromStdString(full);
    }
    backupPanel_->SetTexts(shown.join(QStringLiteral("   ")), whole.join(QLatin1Char('\n')));
    // A warning needs the room more than the maker's notice: where the backup was kept must be
    // readable on a small screen too.
    for (QLabel* panel : fixedPanels_)
        panel->setVisible(shown.isEmpty());
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

// The right end of the tool bar: the barrier lock pictures, standard and maximum time, the
// clock and the logo.
QWidget* MainWindow::BuildSidePanel() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 4, 0);
    barriers_ = new QWidget(box);
    auto* pictures = new QHBoxLayout(barriers_);
    pictures->setContentsMargins(0, 0, 0, 0);
    const std::array<const char*, 3> hints = {"[F10] = Start-LS frei/gesperrt", "[F11] = Ziel-LS frei/gesperrt",
                                              "[F12] = Ziel-LS2 frei/gesperrt"};
    for (int i = 0; i < 3; ++i) {
        auto* picture = new QToolButton(barriers_);
        picture->setToolTip(QString::fromLatin1(hints[static_cast<std::size_t>(i)]));
        picture->setIconSize(QSize(22, 22));
        picture->setAutoRaise(true);
        picture->setFocusPolicy(Qt::NoFocus);
        connect(picture, &QToolButton::clicked, this,
                [this, i] { barrierActions_[static_cast<std::size_t>(i)]->trigger(); });
        pictures->addWidget(picture);
        barrierPictures_[static_cast<std::size_t>(i)] = picture;
    }
    row->addWidget(barriers_);
    // Standard and maximum time, two labels with their own hints as the operator checks them
    // against the judge's course sheet.
    const auto timeLabel = [box, row](const char* caption, const char* name, const char* hint, const char* colour) {
        auto* label = new QLabel(QString::fromLatin1(caption), box);
        label->setStyleSheet(QStringLiteral("font: bold 14px;"));
        row->addWidget(label);
        auto* value = new QLabel(box);
        value->setObjectName(QLatin1String(name));
        value->setToolTip(QString::fromLatin1(hint));
        value->setAccessibleName(value->toolTip());
        value->setStyleSheet(QStringLiteral("font: bold 14px; color: %1;").arg(QLatin1String(colour)));
        row->addWidget(value);
        return value;
    };
    e2ZeitStandart_ = timeLabel("TPS:", "e2ZeitStandart", "Standardzeit", "green");
    e2ZeitMax_ = timeLabel("TPM:", "e2ZeitMax", "Maximalzeit", "red");
    CourseTimesChanged();
    row->addWidget(BuildTvSwitch(box));
    row->addWidget(new ClockPanel(box));
    auto* logo = new QLabel(box);
    logo->setObjectName(QStringLiteral("ImageTitle"));
    logo->setToolTip(QStringLiteral("logo.jpg"));
    // The bar's height, and never wider than a small banner, whatever size the picture has.
    if (!resources_.logo.isNull())
        logo->setPixmap(
            QPixmap::fromImage(resources_.logo).scaled(QSize(140, 34), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    row->addWidget(logo);
    return box;
}

void MainWindow::BuildStatusBar() {
    statusBar()->setStyleSheet(QStringLiteral("font-size: 9pt;"));
    rowPanel_ = new QLabel(this);
    rowPanel_->setMinimumWidth(60);
    rowPanel_->setAlignment(Qt::AlignCenter);
    // The maker's name and address open the maker's page, as the banner did.
    const auto makerLink = [this](const QString& text, const char* name) {
        auto* label = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color: palette(window-text);"
                                                " text-decoration: none;\">%2</a>")
                                     .arg(MakerPage().toString(), text.toHtmlEscaped()),
                                 this);
        label->setObjectName(QLatin1String(name));
        label->setAccessibleName(text);
        label->setToolTip(MakerPage().toString());
        label->setCursor(Qt::PointingHandCursor);
        connect(label, &QLabel::linkActivated, this, [this] {
            if (resources_.openUrl)
                resources_.openUrl(MakerPage());
        });
        return label;
    };
    auto* maker = makerLink(QStringLiteral("Kronolux Zeitmesstechnik"), "LabDE");
    maker->setMinimumWidth(220);
    maker->setAlignment(Qt::AlignCenter);
    auto* page = makerLink(MakerPage().host(), "LabDEPage");
    fixedPanels_ = {maker, page};
    backupPanel_ = new StatusPanel(this);
    backupPanel_->setObjectName(QStringLiteral("backupStatus"));
    backupPanel_->setAccessibleName(QStringLiteral("Status der Sicherung und der Lichtschranken"));
    backupPanel_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    statusBar()->addWidget(rowPanel_);
    statusBar()->addWidget(maker);
    statusBar()->addWidget(backupPanel_, 1);
    statusBar()->addPermanentWidget(page);
}

void MainWindow::ShowInfo() {
    InfoWindow info(
        resources_.openUrl ? resources_.openUrl : [](const QUrl&) {}, this);
    if (!resources_.logo.isNull())
        info.SetLogo(QPixmap::fromImage(resources_.logo));
    info.exec();
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
    PublishSoon();
    if (settings_.LsCFG == 2)
        return;
    const int best = station_.GetRanking().bestStartNr;
    lanes_[1].frame->SetCaption(best > 0 ? QStringLiteral("Best Start-Nr. %1").arg(best) : QStringLiteral("Bestzeit:"));
    RefreshMonitorStrips();
}

void MainWindow::BuildToolBar() {
    auto* bar = new QToolBar(QStringLiteral("Protokoll"), this);
    bar->setMovable(false);
    // Pictures that show their command, drawn as SVG so they stay sharp at any size; Qt greys
    // them out for a disabled command.
    const auto icon = [](const char* name) { return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name))); };
    const auto add = [bar, icon](const char* picture, const QString& hint, const QKeySequence& key) {
        auto* action = bar->addAction(icon(picture), hint);
        action->setToolTip(hint);
        action->setShortcut(key);
        return action;
    };
    openAction_ = add("open", QStringLiteral("[Ctrl+O] Starterliste oder gespeichertes Protokoll öffnen"),
                      QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction_ = add("save", QStringLiteral("[Ctrl+S] Speichern unter..."), QKeySequence(Qt::CTRL | Qt::Key_S));
    clearAction_ = add("delete", QStringLiteral("[F9] Löschen"), QKeySequence(Qt::Key_F9));
    bar->addSeparator();
    exports_ = new ExportCommands(station_, dialogs_, resources_.openUrl, this);
    bar->addActions(
        {exports_->PrintButton(), exports_->WebButton(), exports_->SpreadsheetButton(), exports_->DocumentButton()});
    placesButton_ = bar->addAction(icon("recalc"), QStringLiteral("Neu berechnen"));
    placesButton_->setObjectName(QStringLiteral("bPlatz"));
    connect(placesButton_, &QAction::triggered, this, [this] { places_->trigger(); });
    bar->addSeparator();
    // "Einstellungen" is the run command F2 (enabled only between runs), shown here as well.
    QAction* settingsCommand = actions_[Command::CFG];
    settingsCommand->setIcon(icon("settings"));
    settingsCommand->setText(QStringLiteral("[F2] Einstellungen"));
    settingsCommand->setToolTip(QStringLiteral("[F2] Einstellungen"));
    settingsCommand->setObjectName(QStringLiteral("bCFG"));
    bar->addAction(settingsCommand);
    auto* info = add("info", QStringLiteral("[F3] Information"), QKeySequence(Qt::Key_F3));
    connect(info, &QAction::triggered, this, [this] { ShowInfo(); });
    helpAction_ = add("help", QStringLiteral("[F1] Hilfe"), QKeySequence(Qt::Key_F1));
    helpAction_->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::ALT | Qt::Key_I)});
    helpAction_->setEnabled(!resources_.helpPath.isEmpty());
    connect(helpAction_, &QAction::triggered, this, [this] {
        if (resources_.openUrl)
            resources_.openUrl(QUrl::fromLocalFile(resources_.helpPath));
    });
    // The right end (barrier locks, course times, clock, logo) sits beside the tool bar, not in
    // it: a tool bar hides what does not fit in its overflow menu, and the lock pictures matter
    // most exactly when the barriers are in use. The command buttons overflow instead.
    auto* top = new QWidget(this);
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(bar, 1);
    auto* side = BuildSidePanel();
    side->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    row->addWidget(side);
    setMenuWidget(top);
    connect(openAction_, &QAction::triggered, this, [this] { OpenProtocol(); });
    connect(saveAction_, &QAction::triggered, this, [this] { SaveProtocol(); });
    connect(clearAction_, &QAction::triggered, this, [this] { station_.ClearProtocol(); });
}

void MainWindow::OpenProtocol() {
    if (!station_.MayReplaceProtocol())
        return;
    const FileChoice choice = files_.ChooseOpen(this, QString::fromStdString(station_.ProgramFolder()),
                                                ExportCommands::OpenFilters(), settings_.FilterIndO);
    if (choice.path.isEmpty()) {
        grid_->ApplyLayout();
        return;
    }
    settings_.FilterIndO = choice.filterIndex;
    if (choice.filterIndex == SaveSpreadsheet) {
        if (const std::string error = station_.ImportSpreadsheet(choice.path.toStdString()); !error.empty())
            dialogs_.Inform(error);
        grid_->ApplyLayout();
        return;
    }
    const FileResult result = station_.OpenProtocol(choice.path.toStdString());
    if (!result.Ok())
        dialogs_.Inform(DescribeFileResult(result));
    grid_->ApplyLayout();
}

void MainWindow::SaveProtocol() {
    const QString proposed = TimeStampNow();
    const FileChoice choice = files_.ChooseSave(this, QString::fromStdString(station_.ProgramFolder()), proposed,
                                                ExportCommands::SaveFilters(), settings_.FilterInd);
    if (choice.path.isEmpty())
        return;
    settings_.FilterInd = choice.filterIndex;
    if (choice.filterIndex != SaveText) {
        exports_->SaveAs(choice.filterIndex, choice.path);
        return;
    }
    // Unlike a silent failure, the operator learns that the file is not there.
    const FileResult result = station_.SaveProtocolAs(choice.path.toStdString());
    if (!result.Ok())
        dialogs_.Inform(DescribeFileResult(result));
}

void MainWindow::ProtocolCommandsChanged() {
    PublishSoon();
    const ProtocolCommandState state = station_.ProtocolCommands();
    exports_->UpdateEnabled(state);
    saveAction_->setEnabled(state.save);
    clearAction_->setEnabled(state.clear);
    placesButton_->setEnabled(state.places);
    if (places_)
        places_->setEnabled(state.places);
    if (undo_)
        undo_->setEnabled(station_.CanUndo());
    ApplyStartControls();
}

void MainWindow::ApplyStartControls() {
    const ProtocolCommandState state = station_.ProtocolCommands();
    lanes_[0].frame->SetStartControls(state.lane1SpinVisible, state.lane1ListVisible);
    lanes_[1].frame->SetStartControls(state.lane2SpinVisible, state.lane2ListVisible);
}

void MainWindow::StartListsChanged() {
    const StartLists& lists = station_.Lists();
    for (int lane = 0; lane < 2; ++lane) {
        const LaneStartList& list = lists.Lane(lane);
        QStringList items;
        for (const std::string& item : list.items)
            items << QString::fromStdString(item);
        lanes_[static_cast<std::size_t>(lane)].frame->SetStartList(items, list.index);
        lanes_[static_cast<std::size_t>(lane)].frame->SetFalseWarning(list.warning);
    }
    ApplyStartControls();
    RefreshMonitorStrips();
}

} // namespace caniparc::ui
