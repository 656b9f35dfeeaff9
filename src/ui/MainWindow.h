// The station's main window: binds the run clock's commands to keys and buttons and shows the
// lanes. It holds no logic of its own: every command goes to the core, every view reads the
// core's model.
#pragma once

#include "station/Station.h"
#include "timing/RunClock.h"

#include <QImage>
#include <QMainWindow>
#include <QUrl>

#include <array>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScreen;
class QTableView;
class QToolButton;

namespace caniparc {
class Dialogs;
class LiveServer;
class StationShow;
} // namespace caniparc

namespace caniparc::ui {

class ExportCommands;
class FileChooser;
class LaneFrame;
class MonitorWindow;
class ProtocolGrid;
class StatusPanel;
class SettingsDialog;

// What the window shows that comes from outside the station: the help file, the logo picture
// and the way web pages and documents are opened (the desktop's default programs in the app).
struct WindowResources {
    QString helpPath; // empty: no help file, the help command stays disabled
    QImage logo;      // "logo.jpg"; empty when missing or broken
    std::function<void(const QUrl&)> openUrl;
    // The show's outbox file (per-user data folder); empty: kept in memory.
    std::string showOutbox;
};

class MainWindow final : public QMainWindow,
                         private RunClockListener,
                         private StationListener,
                         private SettingsEffects {
    Q_OBJECT
public:
    MainWindow(Station& station, Dialogs& dialogs, FileChooser& files, WindowResources resources = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Closes without asking: logout, system shutdown, a terminating signal.
    void CloseWithoutQuestion();
    QAction* Action(Command command) const;
    QAction* OpenAction() const { return openAction_; }
    QAction* SaveAction() const { return saveAction_; }
    QAction* ClearAction() const { return clearAction_; }
    QAction* HelpAction() const { return helpAction_; }
    QMenu* ProtocolMenu() const { return protocolMenu_; }
    void SelectRowForTest(int row) { SelectRow(row); }
    ExportCommands* Exports() const { return exports_; }
    QPushButton* Button(Command command) const;
    LaneFrame* Lane(int lane) const { return lanes_[static_cast<std::size_t>(lane)].frame; }
    QTableView* ProtocolView() const;
    QString StatusText(int panel) const;

    // Applies the course scheme to the window (lane 2 shown only in scheme C).
    void ApplyCourseScheme();
    // F2: the settings dialog, filled from the settings; "OK" applies it to the station.
    void OpenSettings();
    SettingsDialog* SettingsWindow() const { return settingsDialog_; }
    // The live results' server (off unless `LiveWeb` is set).
    LiveServer& Live() const { return *live_; }
    // The ring's publisher to the show's broker (nothing in a build without the show layer).
    StationShow* Show() const { return show_; }
    // The spectators' display; Ctrl+T shows and hides it.
    MonitorWindow* Monitor() const { return monitor_; }
    void ToggleMonitor();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct LaneWidgets {
        LaneFrame* frame = nullptr;
        QLineEdit* faults = nullptr;
        QLineEdit* refusals = nullptr;
        QLineEdit* timeFaults = nullptr;
        QWidget* editors = nullptr;
    };

    // The live results follow `LiveWeb` and `LivePort`; the status bar says where or why not.
    void BuildLive();
    void ApplyLive();
    QString LiveAddressText() const;
    void ShowLiveCode();

    // The show follows `ShowServer` and the rest of its settings; the status bar says how it goes.
    void BuildShow();
    void ApplyShow();
    void RefreshShow();
    void StopShow();
    // An entry or correction goes out once the event at hand is done, not at the next poll.
    void PublishSoon();
    void InformWithoutWaiting(const QString& text);

    void CommandsChanged() override;
    void LaneDigitsChanged(int lane) override;
    void LaneFieldsChanged(int lane) override;
    void SelectRow(int row) override;
    void StatusChanged() override;
    void RankingChanged() override;
    void BarriersChanged() override;
    void ProtocolCommandsChanged() override;
    void StartListsChanged() override;

    // SettingsEffects: what "OK" in the settings dialog changes on this window.
    void CourseTimesChanged() override;
    void AutoEntryHintChanged() override;
    void CourseSchemeApplied() override { ApplyCourseScheme(); }
    void MonitorChanged() override;
    void ColumnsChanged() override;

    void BuildMonitor();
    QWidget* BuildTvSwitch(QWidget* parent);
    void PlaceMonitor();
    void RefreshMonitor();
    void RefreshMonitorStrips();
    // A monitor came or went: the display leaves a monitor that is gone and returns to it.
    void FollowScreens();
    void ScreenRemoved(QScreen* gone);
    void ScreenAdded();
    void BuildActions();
    // Command keys act whichever of the station's windows has the focus.
    void ReachKeysFromEveryWindow();
    void BuildCountingActions();
    void BuildProtocolMenu();
    void ShowProtocolMenu(const QPoint& at);
    void CommitCell(int col, int row, const QString& text);
    int CurrentRow() const;
    void ApplyStartControls();
    QWidget* BuildLane(int lane);
    QWidget* BuildLaneEditors(int lane);
    QWidget* BuildButtons();
    QPushButton* AddButton(Command command, const QString& caption, const QString& hint);
    void PaintButton(Command command);
    void RefreshBarriers();
    QWidget* BuildSidePanel();
    void BuildStatusBar();
    void ShowInfo();
    QWidget* BuildProtocol();
    QWidget* BuildImitation();
    void BuildToolBar();
    void OpenProtocol();
    void SaveProtocol();

    Station& station_;
    RunClock& run_;
    Settings& settings_;
    Dialogs& dialogs_;
    FileChooser& files_;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* clearAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    WindowResources resources_;
    ExportCommands* exports_ = nullptr;
    bool closeWithoutQuestion_ = false;
    std::map<Command, QAction*> actions_;
    std::array<QAction*, 4> countActions_{}; // Ctrl+F, Alt+F, Ctrl+V, Alt+V
    QMenu* protocolMenu_ = nullptr;
    QAction* copyAll_ = nullptr;
    QAction* disqualifyRow_ = nullptr;
    QAction* bonusOn_ = nullptr;
    QAction* bonusOff_ = nullptr;
    QAction* places_ = nullptr; // "Neu berechnen", also the tool bar's bPlatz
    QAction* undo_ = nullptr;
    QAction* placesButton_ = nullptr;
    std::map<Command, QPushButton*> buttons_;
    std::array<LaneWidgets, 2> lanes_;
    std::array<QAction*, 3> barrierActions_{};
    QWidget* barriers_ = nullptr;
    std::array<QToolButton*, 3> barrierPictures_{};
    QCheckBox* automatic_ = nullptr;
    QCheckBox* autoNext_ = nullptr;
    QLabel* e2ZeitStandart_ = nullptr;
    QLabel* e2ZeitMax_ = nullptr;
    SettingsDialog* settingsDialog_ = nullptr;
    std::unique_ptr<LiveServer> live_;
    QLabel* livePanel_ = nullptr;
    StationShow* show_ = nullptr;
    QLabel* showPanel_ = nullptr;
    bool publishQueued_ = false;
    MonitorWindow* monitor_ = nullptr;
    QToolButton* tvSwitch_ = nullptr;
    bool monitorLost_ = false; // the display was up when its monitor went away
    ProtocolGrid* grid_ = nullptr;
    QLabel* rowPanel_ = nullptr;
    StatusPanel* backupPanel_ = nullptr;
    std::array<QLabel*, 2> fixedPanels_{}; // the maker's notice and web address
    QWidget* imitation_ = nullptr;
    std::array<QPushButton*, 3> imitationButtons_{};
};

} // namespace caniparc::ui
