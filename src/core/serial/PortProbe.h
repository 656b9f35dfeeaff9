// Which serial ports the station offers: the probe at start-up (PortMask), the entries of the
// port list, and the fixed mapping of port numbers to devices.
//
// Port numbers stay integers 1..16 as the settings store them. On Windows, n is COMn. On Linux
// the numbers map to devices by a fixed table, whatever is plugged in:
//   1..4   /dev/ttyS0  .. /dev/ttyS3    (on-board and PCI ports)
//   5..12  /dev/ttyUSB0 .. /dev/ttyUSB7 (USB adapters with a vendor driver)
//   13..16 /dev/ttyACM0 .. /dev/ttyACM3 (USB modem-class adapters)
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace caniparc {

inline constexpr int kHighestPort = 16;

// The device for port n on the Linux table; empty outside 1..16.
std::string LinuxDeviceForPort(int port);
// "\\.\COMn", the form that also reaches ports above 9; empty for n <= 0.
std::string WindowsDeviceForPort(int port);
// The device of the platform the station was built for.
std::string DeviceForPort(int port);

// Tells whether a device is present and usable; injected so tests need no hardware.
using DevicePresent = std::function<bool(const std::string& device)>;

// Bit n - 1 for every port n found; the upper 16 bits hold the highest n found, 0 when none.
std::uint32_t ProbePorts(const DevicePresent& present);
// The platform's own presence test. Linux looks at the device node and, for ttyS, at the port
// type the kernel reports, without opening anything: an open would move DTR on a live port.
DevicePresent PlatformDevicePresent();

struct PortEntry {
    int number = 0;     // 0 for "Kein"
    std::string name;   // "Kein", "COM1", ...
    std::string device; // beside the entry in the dialog; empty for "Kein"
};

// "Kein" followed by "COM" n for every port in the mask, n rising.
std::vector<PortEntry> PortList(std::uint32_t portMask);
// The port number of a chosen entry: the one or two digits after "COM"; 0 for anything else.
int PortNumberFromEntry(const std::string& entry);

} // namespace caniparc
