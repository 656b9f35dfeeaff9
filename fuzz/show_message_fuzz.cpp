// Feeds arbitrary bytes to the show's message reader and to the board, as a stranger on the
// broker could. Besides not crashing: a message that is read writes out to bytes that read back
// to the same message, and the board never holds more than its ring limit.
#include "show/ShowBoard.h"
#include "show/ShowMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const ShowReadResult read = ReadShowMessage(bytes);
    if (read.Ok()) {
        const ShowReadResult again = ReadShowMessage(WriteShowMessage(read.message));
        if (!again.Ok() || !(again.message == read.message))
            std::abort();
    }
    // The same bytes on one of the ring's topics, twice: the second time is a redelivery.
    static const char* const topics[] = {"caniparc/Cup/A/state", "caniparc/Cup/A/snapshot", "caniparc/Cup/A/events",
                                         "caniparc/Cup/A/lanes", "caniparc/Cup/A/other"};
    ShowBoard board("Cup");
    board.Receive(topics[data[0] % 5], bytes, 1000);
    const std::uint64_t seq = board.Rings().empty() ? 0 : board.Rings().begin()->second.Seq();
    board.Receive(topics[data[0] % 5], bytes, 1001);
    if (!board.Rings().empty() && board.Rings().begin()->second.Seq() != seq)
        std::abort();
    board.ResendsDue(5000);
    if (board.Rings().size() > ShowBoard::MaxRings)
        std::abort();
    return 0;
}
