// The text form read into its object tree, before anything is loaded: objects with their properties
// and children, each value already in the bytes the stream will hold, except the values that
// image('..') and bitmap('..') take from files, which stay references. Compiling writes the tree out
// and asks the loader for those; a tool that needs only the places and settings of the components
// (the artwork generator) reads the tree and never touches the files.
#pragma once

#include "toolkit/FormStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

struct TFormTextItem;

struct TFormTextValue {
    TValueType type = TValueType::vaNull;
    std::vector<std::uint8_t> encoded;  // a plain value as the stream holds it: type byte and payload
    std::vector<TFormTextValue> values; // the elements of a list
    std::vector<TFormTextItem> items;   // the items of a collection
    std::string fileFunction;           // "image" or "bitmap" for a binary value taken from a file
    std::string filePath;
    int line = 0;
    int column = 0;

    bool IsFile() const { return !fileFunction.empty(); }
    // The value of an integer; throws EFormTextError naming the value's place for any other type.
    std::int64_t Integer() const;
    // The text of a string (short, long or UTF-8) or an identifier; throws EFormTextError otherwise.
    std::string Text() const;
};

struct TFormTextProperty {
    std::string name;
    TFormTextValue value;
};

struct TFormTextItem {
    std::vector<std::uint8_t> order; // the item's order as an encoded integer value; empty for none
    std::vector<TFormTextProperty> properties;
};

struct TFormTextObject {
    std::string name;
    std::string className;
    std::uint8_t flagByte = 0;          // 0 for none
    std::vector<std::uint8_t> position; // the child position as an encoded integer value; empty for none
    std::vector<TFormTextProperty> properties;
    std::vector<TFormTextObject> children;
    int line = 0;

    // The property of that (dotted) name, or null when the text does not set it.
    const TFormTextValue* Property(std::string_view propertyName) const;
    // An integer property; throws EFormTextError naming the object when it is missing or no integer.
    std::int64_t Integer(std::string_view propertyName) const;
    // An integer property, or fallback when the text leaves it at its default.
    std::int64_t Integer(std::string_view propertyName, std::int64_t fallback) const;
    // This object or the first of its descendants with that name (depth first), or null.
    const TFormTextObject* Find(std::string_view objectName) const;
    // As Find, but throws EFormTextError when there is none.
    const TFormTextObject& Get(std::string_view objectName) const;
};

// The property of that name in a list of properties (an object's or a collection item's), or null.
const TFormTextValue* FindProperty(const std::vector<TFormTextProperty>& properties, std::string_view name);

// Reads the text form into its tree. Throws EFormTextError naming the line and column of a fault.
TFormTextObject ParseFormText(std::string_view text);

} // namespace toolkit
