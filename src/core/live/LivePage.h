// The live results page for phones: German, one file with its style and script inline (no
// fonts or scripts from elsewhere, so it works on a ground without internet). It shows the
// state it was made from at once and then follows the station through a WebSocket on
// /live, polling /protokoll.json while the socket is closed.
#pragma once

#include "live/LiveState.h"

#include <string>

namespace caniparc {

struct LivePageOptions {
    std::string base;    // where the page's JSON and WebSocket are, before "/protokoll.json" and "/live"
    bool socket = true;  // false: the page only polls
    std::string chooser; // where the page to choose another ring is; empty: no link
};

// Every text of `state` is HTML-escaped; the script only ever writes text, never markup.
std::string LivePageHtml(const LiveState& state, const LivePageOptions& options = {});

} // namespace caniparc
