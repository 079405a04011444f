#pragma once

#include "monitor/engine.h"
#include "store/display_colours.h"

namespace halvera {

// The colour dialog's OK and halvera-cli colours: the six colours become the settings and
// the settings file is written; the other settings stay as they are.
void ChangeDisplayColours(Engine& engine, const DisplayColours& colours);

}  // namespace halvera
