// The station's entry point: builds the platform services, the station and its main window,
// and runs the shutdown sequence when the window has closed.
#include "BenchmarkHooks.h"
#include "FileChooser.h"
#include "JpegImage.h"
#include "MainWindow.h"
#include "OperatorDialogs.h"
#include "QtDispatcher.h"
#include "QtScheduler.h"
#include "QtSoundPlayer.h"
#include "SignalBridge.h"
#include "settings/SettingsPaths.h"
#include "settings/SettingsStore.h"
#include "station/ProgramFiles.h"
#include "station/Station.h"
#include "timing/TimeSource.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLocale>

#include <algorithm>

namespace {

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
    const std::string programPath = QApplication::applicationFilePath().toStdString();
    const std::string programTitle = caniparc::ProgramTitleOf(programPath);
    QApplication::setApplicationDisplayName(QString::fromStdString(programTitle));

    auto time = caniparc::MakeSystemTimeSource();
    caniparc::ui::QtScheduler scheduler;
    caniparc::ui::QtSoundPlayer sound;
    const auto environment = caniparc::UserEnvironment::FromProcess();
    const auto programFiles = caniparc::FindProgramFiles(programPath, environment, caniparc::RegularFileExists);
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
    station.Startup(
        {caniparc::ProgramFolderOf(programPath), programFiles.StartSoundPath, programFiles.StopSoundPath, environment},
        LocaleDecimalSeparator());

    auto& settings = station.GetSettings();
    caniparc::ui::DesktopFileChooser files;
    caniparc::ui::WindowResources resources{QString::fromStdString(programFiles.HelpPath),
                                            caniparc::ui::DecodeJpegFile(QStringLiteral("logo.jpg")),
                                            [](const QUrl& url) { QDesktopServices::openUrl(url); }};
    caniparc::ui::MainWindow window(station, dialogs, files, resources);
    window.setGeometry(settings.Left, settings.Top, std::max(settings.Width, 800), std::max(settings.Height, 522));
    caniparc::app::SignalBridge signalBridge([&window] { window.CloseWithoutQuestion(); });
    window.show();
    caniparc::app::InstallBenchmarkHooks(sinceMain, station, [&window] { window.CloseWithoutQuestion(); });
    const int result = QApplication::exec();

    const QRect bounds = window.geometry();
    settings.Left = bounds.x();
    settings.Top = bounds.y();
    settings.Width = bounds.width();
    settings.Height = bounds.height();
    station.Shutdown();
    return result;
}
