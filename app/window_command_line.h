// The command line of the window programs (brindle and Brindle.exe):
//   [--wad PATH] [--file PATH...] [--map NAME] [--floors] [--look plain|game]
//   [--aspect 16:10|4:3] [--things on|off] [--skill 1..5] [--version] [ARCHIVE...]
// where each bare ARCHIVE is sorted by its header: a PWAD is added, an IWAD is the IWAD.
#pragma once

#include <string>

#include "app/archive_options.h"
#include "render/renderer.h"
#include "video/letterbox.h"

namespace brindle {

struct WindowCommandLine {
    ArchiveChoice archives;
    bool floors = false;
    Look look = Look::plain;
    Aspect aspect = Aspect::square;
    bool things = true;
    int skill = defaultSkill;
};

enum class CommandLineOutcome {
    run,        // go on with what was parsed
    help,       // `message` holds the help text (or the version line); exit 0
    wrongLine,  // `message` says what is wrong with the command line; exit 1
    badFile,    // a bare archive cannot be used; `message` names it; exit 1 after showing it
};

CommandLineOutcome parseWindowCommandLine(int argc, const char* const* argv,
                                          const std::string& programName, WindowCommandLine& line,
                                          std::string& message);

}  // namespace brindle
