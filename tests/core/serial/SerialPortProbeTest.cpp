// Port numbers, devices and the port list: the probe's mask, the dialog entries, and the fixed
// mapping of port numbers to devices on both platforms.
#include "serial/PortProbe.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace caniparc {
namespace {

DevicePresent Only(std::set<std::string> devices) {
    return [devices](const std::string& device) { return devices.count(device) > 0; };
}

std::vector<std::string> Names(const std::vector<PortEntry>& list) {
    std::vector<std::string> names;
    for (const PortEntry& entry : list)
        names.push_back(entry.name);
    return names;
}

TEST(SerialPortProbeTest, MaskAndList_Com1AndCom3_NothingFound_HighestPort16) {
    const std::uint32_t mask = ProbePorts(Only({DeviceForPort(1), DeviceForPort(3)}));
    EXPECT_EQ(mask, 0b101u | (3u << 16));
    const std::vector<PortEntry> list = PortList(mask);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Kein", "COM1", "COM3"}));
    EXPECT_EQ(list[2].number, 3);
    EXPECT_EQ(list[2].device, DeviceForPort(3));
    EXPECT_TRUE(list[0].device.empty());
    EXPECT_EQ(ProbePorts(Only({})), 0u);
    EXPECT_EQ(Names(PortList(0)), std::vector<std::string>{"Kein"});
    const std::uint32_t highest = ProbePorts(Only({DeviceForPort(16)})); // still fits the upper half
    EXPECT_EQ(highest, (1u << 15) | (16u << 16));
    EXPECT_EQ(Names(PortList(highest)).back(), "COM16");
}

TEST(SerialPortProbeTest, Devices_LinuxOnBoardThenUsbThenModemClass_WindowsPort12ThroughTheDeviceNamespace) {
    EXPECT_EQ(LinuxDeviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(LinuxDeviceForPort(4), "/dev/ttyS3");
    EXPECT_EQ(LinuxDeviceForPort(5), "/dev/ttyUSB0");
    EXPECT_EQ(LinuxDeviceForPort(13), "/dev/ttyACM0");
    EXPECT_EQ(LinuxDeviceForPort(0), "");
    EXPECT_EQ(LinuxDeviceForPort(17), "");
    EXPECT_EQ(WindowsDeviceForPort(12), "\\\\.\\COM12");
    EXPECT_EQ(WindowsDeviceForPort(1), "\\\\.\\COM1");
    EXPECT_EQ(WindowsDeviceForPort(0), "");
}

TEST(SerialPortProbeTest, ChosenEntry_GivesThePortNumber) {
    EXPECT_EQ(PortNumberFromEntry("COM12"), 12);
    EXPECT_EQ(PortNumberFromEntry("COM12  /dev/ttyUSB7"), 12);
    EXPECT_EQ(PortNumberFromEntry("Kein"), 0);
    EXPECT_EQ(PortNumberFromEntry("COM"), 0);
}

} // namespace
} // namespace caniparc
