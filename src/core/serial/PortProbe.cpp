// Port probe, port list and port-to-device mapping (see PortProbe.h).
#include "serial/PortProbe.h"

#include <cctype>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace caniparc {
namespace {

struct DeviceBlock {
    int firstPort;
    int lastPort;
    const char* prefix;
};

constexpr DeviceBlock kLinuxBlocks[] = {
    {1, 4, "/dev/ttyS"},
    {5, 12, "/dev/ttyUSB"},
    {13, 16, "/dev/ttyACM"},
};

#ifndef _WIN32
bool IsCharacterDevice(const std::string& device) {
    struct stat info {};
    return stat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// The kernel registers ttyS0..3 whether or not a UART sits behind them; type 0 means none.
bool HasUart(const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    std::ifstream type("/sys/class/tty/" + name + "/type");
    int value = 0;
    return static_cast<bool>(type >> value) && value != 0;
}
#endif

} // namespace

std::string LinuxDeviceForPort(int port) {
    for (const DeviceBlock& block : kLinuxBlocks)
        if (port >= block.firstPort && port <= block.lastPort)
            return block.prefix + std::to_string(port - block.firstPort);
    return {};
}

std::string WindowsDeviceForPort(int port) {
    return port > 0 ? "\\\\.\\COM" + std::to_string(port) : std::string();
}

std::string DeviceForPort(int port) {
#ifdef _WIN32
    return WindowsDeviceForPort(port);
#else
    return LinuxDeviceForPort(port);
#endif
}

std::uint32_t ProbePorts(const DevicePresent& present) {
    std::uint32_t mask = 0;
    for (int n = 1; n <= kHighestPort; ++n) {
        if (!present(DeviceForPort(n)))
            continue;
        mask |= 1u << (n - 1);
        mask = (mask & 0xFFFFu) | (static_cast<std::uint32_t>(n) << 16);
    }
    return mask;
}

std::vector<PortEntry> PortList(std::uint32_t portMask) {
    std::vector<PortEntry> list{{0, "Kein", {}}};
    const int highest = static_cast<int>(portMask >> 16);
    for (int n = 1; n <= highest && n <= kHighestPort; ++n)
        if (portMask & (1u << (n - 1)))
            list.push_back({n, "COM" + std::to_string(n), DeviceForPort(n)});
    return list;
}

int PortNumberFromEntry(const std::string& entry) {
    if (entry.compare(0, 3, "COM") != 0)
        return 0;
    int number = 0;
    for (std::size_t i = 3; i < entry.size() && i < 5 && std::isdigit(static_cast<unsigned char>(entry[i])); ++i)
        number = number * 10 + (entry[i] - '0');
    return number;
}

#ifndef _WIN32 // the Windows presence test lives with the Windows backend
DevicePresent PlatformDevicePresent() {
    return [](const std::string& device) {
        if (!IsCharacterDevice(device))
            return false;
        return device.rfind("/dev/ttyS", 0) != 0 || HasUart(device);
    };
}
#endif

} // namespace caniparc
