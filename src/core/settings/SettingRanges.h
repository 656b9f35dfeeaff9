// The allowed range of each numeric setting: the settings dialog's spin edits, the clamping of
// values read from a store, and `caniparc-cli --set` all take their limits from here.
#pragma once

namespace caniparc {

template <typename T> struct Range {
    T low;
    T high;

    constexpr bool Holds(T value) const { return value >= low && value <= high; }
};

namespace ranges {
inline constexpr Range<double> Seconds{1.0, 600.0};     // StartLock, Wait, AutoEinS as the dialog shows them
inline constexpr Range<int> Milliseconds{1000, 600000}; // the same, as they are stored
inline constexpr Range<int> CourseScheme{0, 2};
inline constexpr Range<int> Alg{0, 1};
inline constexpr Range<int> Kontakt{0, 1};
inline constexpr Range<int> LaufCount{1, 2};
inline constexpr Range<int> Multi{1, 99};
inline constexpr Range<int> Adel{0, 9};
inline constexpr Range<int> CourseTime{10, 999}; // ZeitStandart, ZeitMax
inline constexpr Range<double> Dist{0.0, 1000.0};
inline constexpr Range<double> Skor{0.5, 20.0};
inline constexpr Range<int> QP2{1, 999};
inline constexpr Range<int> QP3{2, 999};
inline constexpr Range<int> QP4{3, 999};
inline constexpr Range<int> LivePort{1024, 65535};
inline constexpr Range<int> ShowPort{1, 65535};
} // namespace ranges

} // namespace caniparc
