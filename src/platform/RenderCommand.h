#pragma once

namespace aurelith {

// True when the arguments ask for the command line (--render, --help,
// --version) rather than the window.
bool wantsRenderCommand(int argc, char* argv[]);

// Runs `aurelith --render ...` with no window and no sound device; returns the
// exit status (0 done, 1 failed while rendering, 2 bad options or output).
int runRenderCommand(int argc, char* argv[]);

} // namespace aurelith
