// The viewer page beside a movie: an HTML page that plays it with the Ruffle
// player, whose files are copied into a ruffle/ folder beside the page or
// loaded from an address the user gives.
#pragma once

#include <string>

namespace quillon_tools {

// Where the Ruffle player files are: $QUILLON_RUFFLE_DIR, the installed
// copy, or the npm package in the source tree. Empty when none has ruffle.js.
std::string FindRuffle();

// Writes <movie without extension>.html and, unless playerUrl names the
// player (a folder holding ruffle.js, or ruffle.js itself), copies the player
// into ruffle/ beside it. width and height: the stage in pixels; the page
// shows it as large as the window allows, up to that size, keeping its
// proportions. sound: the movie has sound, and the page says how to hear it.
// Returns the page's path in page. False with error set on failure; every
// file is written whole.
bool WriteViewer(const std::string &moviePath, int width, int height, const std::string &title,
                 bool sound, const std::string &playerUrl, std::string &page,
                 std::string &error);

}  // namespace quillon_tools
