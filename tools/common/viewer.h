// The viewer page beside a movie: an HTML page that plays it with the Ruffle
// player, whose files are copied into a ruffle/ folder beside the page.
#pragma once

#include <string>

namespace quillon_tools {

// Where the Ruffle player files are: $QUILLON_RUFFLE_DIR, the installed
// copy, or the npm package in the source tree. Empty when none has ruffle.js.
std::string FindRuffle();

// Writes <movie without extension>.html and copies the player into ruffle/
// beside it. width and height: the stage in pixels. Returns the page's path
// in page. False with error set on failure; every file is written whole.
bool WriteViewer(const std::string &moviePath, int width, int height, const std::string &title,
                 std::string &page, std::string &error);

}  // namespace quillon_tools
