// The text form: text → binary → text is a fixed point, binary → text → binary keeps every byte, and
// faults name their line or offset.
#include "toolkit/FormText.h"
#include "toolkit/FormStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace toolkit;

const char* const everyValueType = R"(object Form: TForm
  Int8 = -128
  Int16 = 300
  Int32 = -70000
  Int64 = 5000000000
  Wide8 = int32(5)
  Float = 0.1
  Huge = 1.5e+300
  NotANumber = extended(nan)
  Tiny = extended({01000000000000000000})
  TinySingle = single({01000000})
  Short = 'It''s'#13#10'fine'
  Long = long('abc')
  Utf8 = utf8('d'#195#188'nn')
  Wide = wide('d'#252'nn'#55357#56832)
  Ident = clInfoBk
  OddIdent = ident('True')
  Flags = [biSystemMenu, biMinimize]
  NoFlags = []
  Yes = True
  No = False
  Nothing = nil
  Single = single(0.1)
  Money = currency(-12.5)
  When = date(45000.25)
  Bytes = {
    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
    20
  }
  Empty = {}
  List = (
    1
    'two'
    (
      3
    )
  )
  Items = <
    item
      Caption = 'a'
    end
    item [int16(2)]
    end>
  NoItems = <>
  'odd name' = 1
  inherited Child: TPanel [1]
  end
  inline Other: TPanel
  end
end
)";

TEST(FormText, TextToBinaryToTextIsAFixedPoint) {
    const auto binary = CompileFormText(everyValueType, {});
    EXPECT_EQ(DecompileForm(binary), everyValueType);
    EXPECT_EQ(CompileFormText(DecompileForm(binary), {}), binary);
}

TEST(FormText, ValuesHaveTheirStreamTypes) {
    const auto binary = CompileFormText("object A: B\n  X = 1\n  Y = 1.0\n  Z = int16(1)\nend\n", {});
    const std::vector<std::uint8_t> expected = {'T',  'P',  'F',  '0', 1,   'B', 1, 'A', 1, 'X', 2,
                                                1,    1,    'Y',  5,   0,   0,   0, 0,   0, 0,   0,
                                                0x80, 0xFF, 0x3F, 1,   'Z', 3,   1, 0,   0, 0};
    EXPECT_EQ(binary, expected);
}

TEST(FormText, ExtendedFloatsSurviveTheTripExactly) {
    for (long double value : {0.1L, -1e-4000L, 3.14159265358979323846L, 1e4931L, -0.0L}) {
        const auto bytes = EncodeExtended(value);
        EXPECT_EQ(DecodeExtended(bytes), value);
        EXPECT_EQ(std::signbit(DecodeExtended(bytes)), std::signbit(value));
    }
    EXPECT_TRUE(std::isnan(DecodeExtended(EncodeExtended(std::nanl("")))));
}

TEST(FormText, FileFunctionsAskTheLoader) {
    std::string seen;
    const auto loader = [&](std::string_view function, const std::string& path) {
        seen = std::string(function) + ":" + path;
        return std::vector<std::uint8_t>{7, 8};
    };
    const auto binary = CompileFormText("object A: B\n  DIB.Data = image('art/x.png')\nend\n", loader);
    EXPECT_EQ(seen, "image:art/x.png");
    EXPECT_NE(DecompileForm(binary).find("DIB.Data = {\n    0708\n  }"), std::string::npos);
    EXPECT_THROW(CompileFormText("object A: B\n  P = bitmap('x')\nend\n", {}), EFormTextError);
}

TEST(FormText, TextFaultsNameLineAndColumn) {
    try {
        CompileFormText("object A: B\n  X = 1\n  Y = \nend\n", {});
        FAIL() << "a missing value was accepted";
    } catch (const EFormTextError& error) {
        EXPECT_STREQ(error.what(), "line 4, column 1: Value expected");
    }
    EXPECT_THROW(CompileFormText("object A: B\n  X = int16(70000)\nend\n", {}), EFormTextError);
    EXPECT_THROW(CompileFormText("object A: B\n  X = {ABC}\nend\n", {}), EFormTextError);
    EXPECT_THROW(CompileFormText("object A: B\n  object C: D\n  end\n  X = 1\nend\n", {}), EFormTextError);
    EXPECT_THROW(CompileFormText("object A: B\n", {}), EFormTextError);
}

TEST(FormText, DamagedStreamsDecompileToErrors) {
    const auto binary = CompileFormText(everyValueType, {});
    for (std::size_t length = 0; length < binary.size(); ++length)
        EXPECT_THROW(DecompileForm(std::span(binary).first(length)), EReadError) << "cut at " << length;
    auto stray = binary;
    stray.push_back(0);
    EXPECT_THROW(DecompileForm(stray), EReadError);
}

} // namespace
