// The readable text form of a component stream, and its conversion to and from the binary "TPF0"
// form. The text names every value's stream type, so the conversion needs no knowledge of classes:
//
//   object PluginEditorWindow: TPluginEditorWindow
//     Caption = 'Brindlow Audio'
//     Font.Height = -11
//     Scale = 100.0
//     BorderIcons = [biSystemMenu]
//     OnCreate = FormCreate
//     object DIBImageList1: TDIBImageList
//       DIBImages = <
//         item
//           DisplayName = 'Chassis'
//           DIB.Data = image('artwork/chassis.png')
//         end>
//     end
//   end
//
// Values: integers (the narrowest width; int16(..), int32(..), int64(..) force one), floats with a
// point or exponent (extended; single(..), currency(..), date(..)), strings in single quotes with ''
// for a quote and #n for any byte (long(..), utf8(..), wide(..) for the other string types; in
// wide(..) #n is a UTF-16 unit; a subnormal float is written by its bytes, as extended({..})), identifiers
// (ident('..') for one that is not a plain name), True, False, nil, {hex bytes}, [set, elements], (list
// values), <item .. end> collections (an item may carry its order as item [n]). A record opens with
// object, inherited, inline or "inherited inline", may carry its child position as [n] after the class
// name, and, when its flag byte is not the one these imply, that byte as flags(n). image('file') and
// bitmap('file') take a value from a PNG or BMP file through the loader the caller supplies. Decompiling
// writes binary values as hex, so text → binary → text is a fixed point. "//" starts a comment.
//
// Compiling reads the text into its tree first (toolkit/FormTextTree.h), then writes the tree out.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class EFormTextError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Makes the binary value for image(path) or bitmap(path): function is "image" or "bitmap".
using TFormFileLoader =
    std::function<std::vector<std::uint8_t>(std::string_view function, const std::string& path)>;

// Throws EFormTextError naming the line and column of the fault.
std::vector<std::uint8_t> CompileFormText(std::string_view text, const TFormFileLoader& loader);
// Throws EReadError for a stream that is truncated, malformed or followed by stray bytes.
std::string DecompileForm(std::span<const std::uint8_t> stream);

} // namespace toolkit
