// The show board's pages for the results office and the speaker, and the ring chooser for the
// phones: German, one file each with its style inline (nothing loaded from elsewhere), reloading
// themselves, every text HTML-escaped, and each saying how old its data is.
#pragma once

#include "board/BoardView.h"
#include "show/ShowBoard.h"

#include <string>
#include <string_view>

namespace caniparc {

// A ring name as a path segment: every byte but letters, digits and - . _ ~ percent-escaped.
std::string PathSegment(std::string_view text);

// The results office: each ring's connection (online, last message, backlog, clock offset) and
// each class with its protocol and its exports; the messages the board ignored; whether the
// board itself has the broker.
std::string OfficePageHtml(const ShowBoard& board, const BoardClock& clock, bool brokerConnected = true);
// The speaker: per ring the dogs on course with their running time, the next three starters, the
// last results with their places, "Klasse beendet".
std::string SpeakerPageHtml(const ShowBoard& board, const BoardClock& clock);
// The start page: the rings' live results for the phones, and the two pages above.
std::string IndexPageHtml(const ShowBoard& board, const BoardClock& clock);

} // namespace caniparc
