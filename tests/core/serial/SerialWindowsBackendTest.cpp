// The Windows serial backend where no device is: opening fails at the first step with the
// system's reason, and the backend stays usable. COM250 exists on no machine the tests run on,
// so no real port is ever touched.
#include "serial/PortProbe.h"
#include "serial/WindowsSerialBackend.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

constexpr const char* kNoDevice = "\\\\.\\COM250";

TEST(WindowsSerialBackend, OpenWithoutDevice_FailsAtTheHandleWithTheSystemsReason_AndCanBeRetried) {
    WindowsSerialBackend backend;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const OpenResult result = backend.Open(kNoDevice);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.stage, OpenStage::Handle);
        EXPECT_FALSE(result.message.empty());
    }
    backend.RequestStop();
    backend.Close();
    backend.Close();
}

TEST(WindowsSerialBackend, PresenceTest_FindsNoDeviceWhereThereIsNone) {
    EXPECT_FALSE(PlatformDevicePresent()(kNoDevice));
}

} // namespace
} // namespace caniparc
