#include "BuildConfig.h"
#include "LineWriter.h"
#include "Server.h"
#include "StartupOutput.h"
#include "Switches.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

// The stand-in helper: answers the application's requests from a sample library and
// simulates sync runs, without touching the network or the user's files.
int main(int argc, char** argv)
{
    using namespace mivo::standin;
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "--version") {
        std::printf("mivo %s (stand-in)\n", mivo::build::kVersion);
        return 0;
    }
    if (command != "serve") {
        std::fputs("usage: mivo serve | mivo --version\n"
                   "  serve      answer newline-delimited JSON requests on standard input\n"
                   "  --version  print the version\n",
            stderr);
        return 2;
    }

    Switches switches;
    try {
        switches = Switches::fromEnvironment();
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "mivo: %s\n", error.what());
        return 2;
    }
    if (switches.crashAtStart)
        die(*switches.crashAtStart);

    if (switches.stderrDiagnostics)
        std::fprintf(stderr, "mivo stand-in[%d]: serving (config %s, library %s, %g events/s)\n",
            static_cast<int>(::getpid()), switches.configPath.c_str(),
            switches.library ? (std::to_string(switches.library->playlists) + "x"
                + std::to_string(switches.library->tracksEach))
                                   .c_str()
                             : "sample",
            switches.eventRate);

    LineWriter out;
    writeNoise(out, switches.noise);
    writeFlood(out, switches.flood);
    Server server(switches, out);
    return server.run();
}
