#include "tools/artwork/PanelLayout.h"

#include "toolkit/FormText.h"

#include <functional>
#include <optional>
#include <stdexcept>

namespace artwork {

namespace {

using toolkit::TFormTextObject;
using toolkit::TFormTextValue;

// "artwork/selector.png" names the picture "selector.png".
bool namesFile(const TFormTextValue* value, std::string_view file) {
    if (value == nullptr || !value->IsFile())
        return false;
    const std::string& path = value->filePath;
    return path == file ||
           (path.size() > file.size() && path.ends_with(file) && path[path.size() - file.size() - 1] == '/');
}

void forEachObject(const TFormTextObject& object, const std::function<void(const TFormTextObject&)>& visit) {
    visit(object);
    for (const TFormTextObject& child : object.children)
        forEachObject(child, visit);
}

// Every control that shows a picture must show it at one size.
void agreeOnSize(std::optional<Box>& size, const TFormTextObject& control, int w, int h,
                 std::string_view file) {
    if (size && (size->w != w || size->h != h))
        throw std::runtime_error(control.name + " shows " + std::string(file) + " at another size than " +
                                 "the controls before it");
    size = Box{0, 0, w, h};
}

} // namespace

PanelLayout::PanelLayout(std::string_view text) : root_(toolkit::ParseFormText(text)) {}

int PanelLayout::Width() const { return static_cast<int>(root_.Integer("ClientWidth")); }

int PanelLayout::Height() const { return static_cast<int>(root_.Integer("ClientHeight")); }

const TFormTextObject& PanelLayout::Component(std::string_view name) const { return root_.Get(name); }

Box PanelLayout::Place(std::string_view name) const {
    const TFormTextObject& control = Component(name);
    return {static_cast<int>(control.Integer("Left")), static_cast<int>(control.Integer("Top")),
            static_cast<int>(control.Integer("Width")), static_cast<int>(control.Integer("Height"))};
}

std::string PanelLayout::Caption(std::string_view name) const {
    const TFormTextValue* caption = Component(name).Property("Caption");
    return caption == nullptr ? std::string() : caption->Text();
}

const toolkit::TFormTextItem& PanelLayout::ImageEntry(std::string_view file, int& index) const {
    const TFormTextObject* list = nullptr;
    forEachObject(root_, [&](const TFormTextObject& object) {
        if (object.className == "TDIBImageList" && list == nullptr)
            list = &object;
    });
    const TFormTextValue* images = list == nullptr ? nullptr : list->Property("DIBImages");
    if (images != nullptr)
        for (std::size_t i = 0; i < images->items.size(); ++i)
            if (namesFile(toolkit::FindProperty(images->items[i].properties, "DIB.Data"), file)) {
                index = static_cast<int>(i);
                return images->items[i];
            }
    throw std::runtime_error("the image list has no entry made from " + std::string(file));
}

Box PanelLayout::ImageSize(std::string_view file) const {
    int index = -1;
    ImageEntry(file, index);
    std::optional<Box> size;
    forEachObject(root_, [&](const TFormTextObject& object) {
        if (object.Integer("IndexMain.DIBIndex", -1) == index)
            agreeOnSize(size, object, static_cast<int>(object.Integer("Width")),
                        static_cast<int>(object.Integer("Height")), file);
    });
    if (!size)
        throw std::runtime_error("no control shows " + std::string(file));
    return *size;
}

Rgb PanelLayout::ImageKey(std::string_view file) const {
    int index = -1;
    const toolkit::TFormTextItem& entry = ImageEntry(file, index);
    const TFormTextValue* mode = toolkit::FindProperty(entry.properties, "DIB.TransparentMode");
    const TFormTextValue* colour = toolkit::FindProperty(entry.properties, "DIB.TransparentColor");
    if (mode == nullptr || mode->Text() != "tmFixed" || colour == nullptr)
        throw std::runtime_error(std::string(file) + " has no fixed transparent colour in the image list");
    return fromColorValue(colour->Integer());
}

int PanelLayout::WidgetPictureWidth(std::string_view file) const {
    std::optional<Box> size;
    forEachObject(root_, [&](const TFormTextObject& object) {
        if (namesFile(object.Property("Picture.Data"), file))
            agreeOnSize(size, object, static_cast<int>(object.Integer("Width")), 0, file);
    });
    if (!size)
        throw std::runtime_error("no picture widget shows " + std::string(file));
    return size->w;
}

} // namespace artwork
