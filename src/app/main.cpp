// The station's entry point: builds the platform services, the station and its main window,
// and runs the shutdown sequence when the window has closed.
#include "AppIcon.h"
#include "BenchmarkHooks.h"
#include "FileChooser.h"
#include "JpegImage.h"
#include "MainWindow.h"
#include "OperatorDialogs.h"
#include "QtDispatcher.h"
#include "QtScheduler.h"
#include "QtSoundPlayer.h"
#include "SignalBridge.h"
#include "StationFonts.h"
#include "settings/SettingsPaths.h"
#include "settings/SettingsStore.h"
#include "settings/WindowBounds.h"
#include "station/ProgramFiles.h"
#include "station/Station.h"
#include "timing/TimeSource.h"
#ifdef CANIPARC_WITH_SHOW
#include "show/ShowConfig.h"
#endif

#include <QApplication>
#include <QDesktopServices>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

#include <algorithm>

namespace {

char LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : ',';
}

// The stored bounds when they lie on a screen; otherwise the primary screen, no larger than it.
void PlaceWindow(QWidget& window, const caniparc::Settings& settings, bool stored) {
    std::vector<caniparc::Bounds> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        const caniparc::Bounds b{r.x(), r.y(), r.width(), r.height()};
        if (screen == primary)
            screens.insert(screens.begin(), b);
        else
            screens.push_back(b);
    }
    const caniparc::Bounds storedBounds{settings.Left, settings.Top, settings.Width, settings.Height};
    const caniparc::WindowPlacement placed = caniparc::PlaceMainWindow(stored ? &storedBounds : nullptr, screens);
    const auto& b = placed.bounds;
    if (placed.platformPlaces)
        window.resize(b.width, b.height);
    else
        window.setGeometry(b.left, b.top, b.width, b.height);
}

// Qt's own dialogs (open, save, folder, message boxes) in the station's language.
void LoadQtTranslations(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Caniparc"));
    caniparc::ui::UseStationFont();
    LoadQtTranslations(app);
    QApplication::setWindowIcon(caniparc::ui::ApplicationIconPicture()); // windows, task bar, information
    const std::string programPath = QApplication::applicationFilePath().toStdString();
    const std::string programTitle = caniparc::ProgramTitleOf(programPath);
    // No display name: X11 would append it to every caption ("Caniparc 3.3 — caniparc").

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
    // Installed before the start-up, so a signal that comes while it runs (a logout during a slow
    // start) is kept and closes the window in order once the event loop runs, instead of ending
    // the process at once.
    caniparc::ui::MainWindow* shownWindow = nullptr;
    caniparc::app::SignalBridge signalBridge([&shownWindow] {
        if (shownWindow)
            shownWindow->CloseWithoutQuestion();
        else
            QApplication::quit();
    });
    if (!station.Startup({programFiles.StationFolder, programFiles.StartSoundPath, programFiles.StopSoundPath,
                          environment, static_cast<int>(QGuiApplication::screens().size())},
                         LocaleDecimalSeparator()))
        return 1; // another station holds the backup; this one leaves it and the settings alone

    auto& settings = station.GetSettings();
    caniparc::ui::DesktopFileChooser files;
    caniparc::ui::WindowResources resources{QString::fromStdString(programFiles.HelpPath),
                                            caniparc::ui::DecodeJpegFile(QStringLiteral("logo.jpg")),
                                            [](const QUrl& url) { QDesktopServices::openUrl(url); },
                                            {}};
#ifdef CANIPARC_WITH_SHOW
    // Beside the settings' per-user data, one per backup folder (one station holds a folder).
    if (const auto data = caniparc::UserDataFolder(environment); !data.empty())
        resources.showOutbox = caniparc::Utf8FromPath(caniparc::OutboxFilePath(data, programTitle, settings.RezervDir));
#endif
    caniparc::ui::MainWindow window(station, dialogs, files, resources);
    dialogs.SetWindow(&window); // questions open on the operator's screen, never on the projector
    PlaceWindow(window, settings, station.StoredBoundsFound());
    shownWindow = &window;
    window.show();
    caniparc::app::InstallBenchmarkHooks(
        sinceMain, station, [&window] { window.CloseWithoutQuestion(); }, [&window] { window.ToggleMonitor(); });
    const int result = QApplication::exec();

    const QRect bounds = window.geometry();
    settings.Left = bounds.x();
    settings.Top = bounds.y();
    settings.Width = bounds.width();
    settings.Height = bounds.height();
    station.Shutdown();
    return result;
}
