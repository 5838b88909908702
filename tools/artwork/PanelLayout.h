// The editor's layout text as the artwork needs it: the place of each control and the settings of the
// pictures it shows. Read from resources/PluginEditorWindow.txt without the pictures the text names,
// which are what the generator makes.
#pragma once

#include "toolkit/FormTextTree.h"
#include "tools/artwork/Canvas.h"

#include <string>
#include <string_view>

namespace artwork {

// A control's rectangle in panel pixels.
struct Box {
    int x, y, w, h;
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    double centreX() const { return x + w / 2.0; }
    double centreY() const { return y + h / 2.0; }
};

class PanelLayout {
  public:
    // Throws toolkit::EFormTextError naming the place of a fault.
    explicit PanelLayout(std::string_view text);

    int Width() const;
    int Height() const;
    const toolkit::TFormTextObject& Component(std::string_view name) const;
    // Left, Top, Width and Height as the layout stores them.
    Box Place(std::string_view name) const;
    std::string Caption(std::string_view name) const;

    // The size of the controls that show the image-list picture made from `file` (a file name
    // without folder, "selector.png"); they must all have the same. Throws when none shows it.
    Box ImageSize(std::string_view file) const;
    // The fixed transparent colour of that picture's entry, which the picture's background must be.
    Rgb ImageKey(std::string_view file) const;
    // The width of the picture widgets that show the picture made from `file` (bitmap('..')).
    int WidgetPictureWidth(std::string_view file) const;

  private:
    // The image list's entry for the picture made from file, and its index.
    const toolkit::TFormTextItem& ImageEntry(std::string_view file, int& index) const;

    toolkit::TFormTextObject root_;
};

} // namespace artwork
