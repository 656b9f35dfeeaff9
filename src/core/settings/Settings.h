// The station's settings: one plain model, read from the per-user store at start-up and
// written back at shutdown. Field names are the names of the stored values.
#pragma once

#include <cstdint>
#include <string>

namespace caniparc {

struct Settings {
    // Stored values, in the order they are read. Times in milliseconds unless noted.
    int Left = 608;
    int Top = 310;
    int Width = 800;
    int Height = 557;
    bool Sound = true;
    int Port = 0; // 0 = no port, n = serial port n
    int Alg = 0;  // contact polarity: 0 "Ein", 1 "Aus"
    int FilterInd = 1;
    int Monitor = 0;
    bool Klass = false;
    int StartLock = 10000;
    int Wait = 5000;
    int LsCFG = 1; // course scheme: 0 = A, 1 = B, 2 = C
    bool AutoEin = true;
    int FilterIndO = 1;
    int AutoEinS = 7000;
    bool Manuell = true;
    std::string Title = "Canitorn";
    int Kontakt = 0; // 0 = first finish contact counts, 1 = last
    int LaufCount = 1;
    bool Bonus = false;
    int Multi = 5;
    int Adel = 3;
    int ZeitStandart = 60; // whole seconds
    int ZeitMax = 120;     // whole seconds
    bool ZFCalc = true;
    std::string Title2 = "in Halle Brakelund am 15.03.2007";
    std::string Title3 = "Erwin Mahlke";
    std::string Katego = "Small";
    double Dist = 180.0; // metres
    double Skor = 3.0;   // metres per second
    bool AutoRang = true;
    bool EditRes = true;
    bool AutoNext = false;
    int QP2 = 6;
    int QP3 = 16;
    int QP4 = 26;
    std::string QPs1 = "Vorzüglich";
    std::string QPs2 = "Sehr gut";
    std::string QPs3 = "Gut";
    std::string QPs4 = "Ohne";
    std::string RezervDir; // backup folder, with a trailing separator once applied
    // Added later, after every older value, so that an older store still reads in full.
    int LiveWeb = 0;     // live results on the network: 0 = off, 1 = on
    int LivePort = 8080; // their TCP port, 1024..65535
    // Several rings, one show: the broker this station publishes its ring to (empty: not at all).
    std::string ShowServer;
    int ShowPort = 1883;  // the broker's TCP port, 1..65535
    std::string ShowName; // the show, as the board and every station of it name it
    std::string ShowRing; // this station's ring
    std::string ShowUser;
    std::string ShowPassword; // the settings file is readable by its user only
    // The CA certificate (PEM file) of a broker that speaks TLS; empty: plain TCP.
    std::string ShowCaFile;

    // Run-time values, never stored (RunTimeValueCount below counts them).
    std::string ProgramTitle = "caniparc";
    int TimeFormatIndex = 0;     // 1 while the serial port is open (hundredths), else 0 (tenths)
    std::uint32_t PortMask = 0;  // serial ports found at start-up
    char DecimalSeparator = ','; // the locale's separator for decimal texts
};

// The fields of Settings after the stored ones; the stored values' table checks at compile time
// that every other field has an entry.
inline constexpr int RunTimeValueCount = 4;

} // namespace caniparc
