// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aurelith {

// True unless every argument is one of Qt's own window options (-platform,
// -style, ...): everything else (--render, --help, --version, and anything
// unknown, to be refused) is for the command line, never the window.
bool wantsRenderCommand(int argc, char* argv[]);

// Runs the command line (`aurelith --render ...`, --help, --version) with no
// window and no sound device; returns the exit status: 0 done, 2 with a
// message on stderr when it cannot be done (bad options, output, mask or
// surroundings), 1 for an unexpected failure.
int runRenderCommand(int argc, char* argv[]);

} // namespace aurelith
