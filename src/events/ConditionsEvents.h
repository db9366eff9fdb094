// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The ten conditions and ten events: programming (PrgCDET, PrgCond, PrgEvnt),
// viewing (Cond, Event), defaults (DeFCnd) and the event switch (EventOFF).
void bindConditionsEvents(App& app);

// Starts an event's command line, split into words, in the program's folder;
// never through a shell. Nothing happens for an empty line; for one that
// cannot be split or names no program, the answer says why (else it is empty).
std::string launchCommandLine(App& app, const std::string& commandLine);

} // namespace aurelith
