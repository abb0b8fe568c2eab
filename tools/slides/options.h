// quillon-slides' command line: the options it takes, its help text, and
// the messages and exit statuses of its failures.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/canvas.h"
#include "common/nav_buttons.h"

namespace quillon_tools {

inline constexpr char kProgram[] = "quillon-slides";

// Pages picked by --pages: ranges from first to last, counted from 1.
struct PageRange {
    int first = 1, last = 0;  // last 0: to the end
};

// Which slides go in as JPEG (--jpeg): photographs, by measure; every one;
// none.
enum class JpegUse { Auto, Always, Never };

// The slides' size in pixels given by --size; 0 x 0: the first input's.
struct SlideSize {
    int width = 0, height = 0;
};

struct Options {
    std::vector<std::string> inputs;
    std::string output;
    int fps = 1;
    SlideSize size;
    Rgb background{255, 255, 255};
    std::vector<PageRange> pages;  // empty: every page
    std::string linkTarget = "_blank";
    std::optional<ButtonPlace> buttons;  // where the buttons go; none without --buttons
    double seconds = 0;                  // 0: a slide is one frame
    std::vector<std::string> narrations;
    int jobs = 0;  // 0: as many as the cores and memory allow
    std::string sound;
    bool html = false;
    std::string playerUrl;
    bool quiet = false;
    JpegUse jpeg = JpegUse::Auto;
    int quality = 85;  // of the JPEG slides libvips encodes
    int timeout = 300;  // seconds LibreOffice is given to convert the presentations
};

// What the command line asks for besides a movie.
enum class Request { Run, Help, Version };

// Reads the command line into o: 0 when parsed; otherwise the exit status
// of a usage error, its message written.
int ParseArguments(int argc, char **argv, Options &o, Request &request);

// Writes the help text to standard output.
void PrintHelp();

// A usage error: writes its message and where to find the options; its
// exit status (2).
int Usage(const std::string &message);
// A failure of an input, the sound or the output: writes its message; its
// exit status (1).
int Fail(const std::string &message);
// A warning about something left out of the movie, which is still written.
void Warn(const std::string &message);

}  // namespace quillon_tools
