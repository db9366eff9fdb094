// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Render.h"

#include <filesystem>
#include <string>

namespace aurelith {

// `request.sequence`, whole, at the window's "Tone Vol" and "Mask Vol" (saved,
// or as asked); renderToFile's work for a sequence.
std::string renderSequenceToFile(const RenderRequest& request, const std::filesystem::path& dataFolder,
                                 const RenderProgress& progress);

} // namespace aurelith
