#include "monitor/display_colours_change.h"

namespace halvera {

void ChangeDisplayColours(Engine& engine, const DisplayColours& colours) {
    AppSettings settings = engine.Settings().App();
    colours.StoreIn(settings);
    engine.Settings().SetApp(settings);
    engine.SaveSettings();
}

}  // namespace halvera
