// The station's entry point: builds the platform services, the station and its main window,
// and runs the shutdown sequence when the window has closed.
#include "BenchmarkHooks.h"
#include "FileChooser.h"
#include "MainWindow.h"
#include "OperatorDialogs.h"
#include "QtDispatcher.h"
#include "QtScheduler.h"
#include "QtSoundPlayer.h"
#include "SignalBridge.h"
#include "settings/SettingsPaths.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"
#include "timing/TimeSource.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

std::string ExistingOrEmpty(const QString& path) {
    return QFileInfo::exists(path) ? path.toStdString() : std::string();
}

char LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : ',';
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Caniparc"));
    const std::string programTitle = caniparc::ProgramTitleOf(QApplication::applicationFilePath().toStdString());
    QApplication::setApplicationDisplayName(QString::fromStdString(programTitle));

    const QString folder = QDir(QApplication::applicationDirPath()).absolutePath() + QDir::separator();
    auto time = caniparc::MakeSystemTimeSource();
    caniparc::ui::QtScheduler scheduler;
    caniparc::ui::QtSoundPlayer sound;
    const auto environment = caniparc::UserEnvironment::FromProcess();
    auto store = caniparc::MakeUserSettingsStore(programTitle, environment);
    caniparc::ui::OperatorDialogs dialogs(QString::fromStdString(programTitle));
    caniparc::ui::QtDispatcher dispatcher; // outlives the station, whose port hands over through it
    caniparc::Station station({.time = *time,
                               .scheduler = scheduler,
                               .dialogs = dialogs,
                               .sound = &sound,
                               .settingsStore = store.get(),
                               .dispatcher = &dispatcher},
                              programTitle);
    station.Startup({folder.toStdString(), ExistingOrEmpty(folder + QStringLiteral("start.wav")),
                     ExistingOrEmpty(folder + QStringLiteral("stopp.wav")), environment},
                    LocaleDecimalSeparator());

    auto& settings = station.GetSettings();
    caniparc::ui::DesktopFileChooser files;
    caniparc::ui::MainWindow window(station, dialogs, files);
    window.setGeometry(settings.Left, settings.Top, std::max(settings.Width, 800), std::max(settings.Height, 522));
    caniparc::app::SignalBridge signalBridge([&window] { window.CloseWithoutQuestion(); });
    window.show();
    caniparc::app::InstallBenchmarkHooks(sinceMain, station);
    const int result = QApplication::exec();

    const QRect bounds = window.geometry();
    settings.Left = bounds.x();
    settings.Top = bounds.y();
    settings.Width = bounds.width();
    settings.Height = bounds.height();
    station.Shutdown();
    return result;
}
