// Every picture of the editor, drawn at the size and on the key colour the layout gives it: the
// chassis (the whole plate) and the overlays that lie on it.
#pragma once

#include "tools/artwork/Canvas.h"
#include "tools/artwork/PanelDrawing.h"
#include "tools/artwork/PanelLayout.h"

#include <memory>
#include <string>
#include <vector>

namespace artwork {

struct Picture {
    std::string file; // as the layout names it, without folder
    std::unique_ptr<Canvas> canvas;
};

// Drawn afresh at scale device pixels per layout pixel: the chassis is as large as the editor's window
// at that scale (floor(side * scale + 0.5)), every other picture ceil(side * scale).
// Throws std::runtime_error when the layout lacks what a picture needs, or when a picture would not
// line up with the plate or not be opaque.
std::vector<Picture> makePictures(const PanelLayout& layout, const PlateDesign& design, double scale = 1);

} // namespace artwork
