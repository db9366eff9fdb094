// SPDX-License-Identifier: GPL-3.0-or-later
// A translation unit of photic/ writing GROUP four ways: the ways that slipped
// past the old text check. CMakeLists.txt compiles it once per way on another
// folder's group (app.state.tone), which must fail, and once with all four on
// photic's own group, which must compile.
#include "app/App.h"
#include "photic/PhoticWrites.h"

#include <type_traits>
#include <utility>

namespace aurelith {

void probe(App& app)
{
#if defined(BY_REFERENCE) || defined(ALL_WAYS)
    auto& t = GROUP;
    t.FIELD = 1;
#endif
#if defined(BY_POINTER) || defined(ALL_WAYS)
    auto* p = &GROUP;
    p->FIELD = 1;
#endif
#if defined(BY_ASSIGNMENT) || defined(ALL_WAYS)
    GROUP = {};
#endif
#if defined(BY_SWAP) || defined(ALL_WAYS)
    std::remove_cvref_t<decltype(GROUP)> other;
    std::swap(GROUP, other);
#endif
}

} // namespace aurelith
