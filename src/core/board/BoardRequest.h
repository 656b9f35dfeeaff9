// Which answer a request to the show board gets. The path comes decoded from the live results'
// request rules (live/LiveRequest.h), which already refused whatever is not a plain GET or HEAD
// of a sane size; here it only chooses a page, a ring's live results or a ring's export.
#pragma once

#include "board/BoardView.h"
#include "live/LiveRequest.h"
#include "show/ShowBoard.h"

#include <string>
#include <string_view>

namespace caniparc {

enum class BoardRoute {
    Index,      // "/": the ring chooser
    Office,     // "/buero"
    Speaker,    // "/sprecher"
    RingPage,   // "/ring/<ring>": the ring's live results for phones
    RingJson,   // "/ring/<ring>/protokoll.json"
    ExportHtml, // "/export/<ring>.html", the station's result page
    ExportXlsx, // "/export/<ring>.xlsx"
    ExportDocx, // "/export/<ring>.docx"
    NotFound,
};

struct BoardRequest {
    BoardRoute route = BoardRoute::NotFound;
    std::string ring;
};

BoardRequest ParseBoardPath(std::string_view path);

// The answer to a decoded path at the board's time; a ring the board does not hold is 404.
// `tmpFolder` is where the workbook is built (empty: the system's).
struct BoardContext {
    BoardClock clock;
    bool brokerConnected = true;
    std::string tmpFolder;
};
LiveAnswer AnswerBoard(const ShowBoard& board, const BoardContext& context, std::string_view path);

} // namespace caniparc
