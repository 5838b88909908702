#include "presets/PresetFile.h"
#include "presets/PresetCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

using presets::Bank;
using presets::PluginIdentity;
using presets::PresetError;
using presets::Program;

using Bytes = std::vector<std::uint8_t>;

// As TMX-1 is: ten parameters, ten programs.
const PluginIdentity kPlugin{"TMX-1", 0x71347939 /* 'q4y9' */, 1, 10, 10};
// Small enough to write its files out by hand.
const PluginIdentity kSmall{"Small", 0x41626364 /* 'Abcd' */, 7, 2, 2};

Program programNumbered(int n, const PluginIdentity& plugin) {
    Program program{"Program " + std::to_string(n), {}};
    for (int i = 0; i < plugin.parameterCount; ++i)
        program.values.push_back(static_cast<float>((n * 7 + i) % 11) / 10.0f);
    return program;
}

Bank bankOf(const PluginIdentity& plugin) {
    Bank bank;
    for (int p = 0; p < plugin.programCount; ++p)
        bank.programs.push_back(programNumbered(p, plugin));
    return bank;
}

void putWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void putValue(Bytes& bytes, std::size_t at, float value) {
    std::uint32_t word;
    std::memcpy(&word, &value, 4);
    putWord(bytes, at, word);
}

std::string refusal(const Bytes& bytes, const PluginIdentity& plugin = kPlugin) {
    try {
        presets::decodePreset(bytes, plugin);
    } catch (const PresetError& error) {
        return error.what();
    }
    return "(accepted)";
}

bool sameProgram(const Program& a, const Program& b) { return a.name == b.name && a.values == b.values; }

TEST(PresetLayout, AProgramIsTheBytesOtherHostsWrite) {
    // One field a line.
    // clang-format off
    const Bytes expected{
        'C', 'c', 'n', 'K',  0, 0, 0, 56, // magic, bytes that follow
        'F', 'x', 'C', 'k',  0, 0, 0, 1,  // a parameter list, format version 1
        'A', 'b', 'c', 'd',  0, 0, 0, 7,  // the plug-in's ID and version
        0, 0, 0, 2,                       // parameter count
        'W', 'a', 'r', 'm', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // name
        0x3f, 0x80, 0, 0,                 // 1.0
        0x3e, 0x80, 0, 0,                 // 0.25
    };
    // clang-format on
    const Program warm{"Warm", {1.0f, 0.25f}};
    EXPECT_EQ(presets::encodeProgram(warm, kSmall), expected);
    const auto decoded = std::get<Program>(presets::decodePreset(expected, kSmall));
    EXPECT_TRUE(sameProgram(decoded, warm));
}

TEST(PresetLayout, ABankIsItsHeaderAndReservedBytesThenWholePrograms) {
    const Bank bank = bankOf(kSmall);
    const Bytes bytes = presets::encodeBank(bank, kSmall);
    const std::size_t programSize = presets::encodeProgram(bank.programs[0], kSmall).size();
    ASSERT_EQ(bytes.size(), 8 + 20 + 128 + 2 * programSize);
    const Bytes header{'C', 'c', 'n', 'K', 0, 0, 1, 20, // 276 bytes follow
                       'F', 'x', 'B', 'k', 0, 0, 0, 1,  'A', 'b', 'c', 'd', 0, 0, 0, 7, 0, 0, 0, 2};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 28), header);
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 156), Bytes(128, 0));
    for (std::size_t p = 0; p < 2; ++p) {
        const auto at = bytes.begin() + 156 + static_cast<std::ptrdiff_t>(p * programSize);
        EXPECT_EQ(Bytes(at, at + static_cast<std::ptrdiff_t>(programSize)),
                  presets::encodeProgram(bank.programs[p], kSmall))
            << "program " << p;
    }
}

TEST(PresetRoundTrip, ProgramsAndBanksComeBackExactly) {
    Program program = programNumbered(3, kPlugin);
    program.values[4] = 0.123456789f;
    const auto decoded =
        std::get<Program>(presets::decodePreset(presets::encodeProgram(program, kPlugin), kPlugin));
    EXPECT_TRUE(sameProgram(decoded, program));

    const Bank bank = bankOf(kPlugin);
    const auto decodedBank =
        std::get<Bank>(presets::decodePreset(presets::encodeBank(bank, kPlugin), kPlugin));
    ASSERT_EQ(decodedBank.programs.size(), bank.programs.size());
    for (std::size_t p = 0; p < bank.programs.size(); ++p)
        EXPECT_TRUE(sameProgram(decodedBank.programs[p], bank.programs[p])) << "program " << p;
}

TEST(PresetRoundTrip, ALongNameIsCutWithoutSplittingACharacter) {
    // 26 letters and a two-byte character that would end one byte past the field.
    const Program program{std::string(26, 'a') + "\xc3\xa9" + "tail", std::vector<float>(10, 0.5f)};
    const auto decoded =
        std::get<Program>(presets::decodePreset(presets::encodeProgram(program, kPlugin), kPlugin));
    EXPECT_EQ(decoded.name, std::string(26, 'a'));
}

TEST(PresetRefusal, DamagedOrForeignBytesAreRefusedWithTheirReason) {
    const Bytes program = presets::encodeProgram(programNumbered(1, kPlugin), kPlugin);
    const Bytes bank = presets::encodeBank(bankOf(kPlugin), kPlugin);
    const auto changed = [](Bytes bytes, std::size_t at, std::uint32_t word) {
        putWord(bytes, at, word);
        return bytes;
    };
    const auto valueAt = [](Bytes bytes, std::size_t at, float value) {
        putValue(bytes, at, value);
        return bytes;
    };
    const auto cut = [](const Bytes& bytes, std::size_t size) {
        return Bytes(bytes.begin(), bytes.begin() + size);
    };
    Bytes nineParameters = changed(cut(program, program.size() - 4), 24, 9);
    putWord(nineParameters, 4, static_cast<std::uint32_t>(nineParameters.size() - 8));
    const std::size_t firstValue = 56, bankPrograms = 156, programSize = program.size();

    const struct {
        const char* what;
        Bytes bytes;
        const char* reason;
    } cases[] = {
        {"nothing", {}, "not a preset file"},
        {"a sound file", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, "not a preset file"},
        {"unknown kind", changed(program, 8, 0x58585858), "its kind 'XXXX'"},
        {"program cut short", cut(program, program.size() - 3), "truncated"},
        {"size says more than there is", changed(program, 4, static_cast<std::uint32_t>(program.size())),
         "truncated"},
        {"counts need more than the size says", changed(cut(program, 40), 4, 32), "truncated"},
        {"bank cut short", cut(bank, bank.size() - 1), "truncated"},
        {"opaque program", changed(program, 8, 0x46504368 /* FPCh */), "opaque plug-in data"},
        {"opaque bank", changed(bank, 8, 0x46424368 /* FBCh */), "opaque plug-in data"},
        {"another plug-in's program", changed(program, 16, 0x41626364),
         "another plug-in (ID 'Abcd'), not for TMX-1"},
        {"another plug-in's bank", changed(bank, 16, 0x41626364), "another plug-in"},
        {"newer format", changed(program, 12, 3), "format version 3"},
        {"nine parameters", nineParameters, "holds 9 parameters; TMX-1 has 10"},
        {"not a number", valueAt(program, firstValue + 8, std::numeric_limits<float>::quiet_NaN()),
         "parameter 2 is nan"},
        {"above one", valueAt(program, firstValue + 36, 1.5f), "parameter 9 is 1.5, not a value within 0..1"},
        {"below zero", valueAt(program, firstValue, -0.25f), "parameter 0 is -0.25"},
        {"nine programs", changed(bank, 24, 9), "holds 9 programs; TMX-1 has 10"},
        {"a bank's program of another plug-in",
         changed(bank, bankPrograms + 3 * programSize + 16, 0x41626364),
         "program 3 of the bank: made for another plug-in"},
        {"a bank's opaque program", changed(bank, bankPrograms + 9 * programSize + 8, 0x46504368),
         "program 9 of the bank: holds opaque plug-in data"},
        {"a bank's value out of range", valueAt(bank, bankPrograms + programSize + firstValue, 2.0f),
         "program 1 of the bank: parameter 0 is 2"},
    };
    for (const auto& c : cases)
        EXPECT_NE(refusal(c.bytes).find(c.reason), std::string::npos)
            << c.what << ": \"" << refusal(c.bytes) << "\" does not say \"" << c.reason << "\"";
}

TEST(PresetRefusal, WhatDoesNotFitThePlugInIsNotEncoded) {
    Program shortProgram = programNumbered(0, kPlugin);
    shortProgram.values.pop_back();
    EXPECT_THROW(presets::encodeProgram(shortProgram, kPlugin), PresetError);
    Program loud = programNumbered(0, kPlugin);
    loud.values[3] = 1.01f;
    EXPECT_THROW(presets::encodeProgram(loud, kPlugin), PresetError);
    Bank small = bankOf(kPlugin);
    small.programs.pop_back();
    EXPECT_THROW(presets::encodeBank(small, kPlugin), PresetError);
}

class PresetFiles : public testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() /
            ("tmx1-presets-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string readRefusal(const std::filesystem::path& path) {
        try {
            presets::readPresetFile(path, kPlugin);
        } catch (const PresetError& error) {
            return error.what();
        }
        return "(accepted)";
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    std::filesystem::path folder;
};

TEST_F(PresetFiles, AWrittenFileReplacesTheOldOneAndReadsBack) {
    const auto path = folder / "mine.fxb";
    std::ofstream(path) << "an older file";
    const Bank bank = bankOf(kPlugin);
    presets::writePresetFile(path, presets::encodeBank(bank, kPlugin));
    const auto read = std::get<Bank>(presets::readPresetFile(path, kPlugin));
    EXPECT_TRUE(sameProgram(read.programs[9], bank.programs[9]));
    EXPECT_EQ(filesInFolder(), 1u) << "no partial file is left beside it";
}

TEST_F(PresetFiles, FilesThatCannotBeReadOrWrittenAreRefusedByName) {
    EXPECT_NE(readRefusal(folder / "absent.fxp").find("absent.fxp: cannot be read"), std::string::npos);

    const auto huge = folder / "huge.fxp";
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, presets::kLargestPresetFile + 1);
    EXPECT_NE(readRefusal(huge).find("too large"), std::string::npos) << readRefusal(huge);

    const auto damaged = folder / "damaged.fxp";
    std::ofstream(damaged) << "CcnK";
    EXPECT_NE(readRefusal(damaged).find("damaged.fxp: truncated"), std::string::npos) << readRefusal(damaged);

    const Bytes program = presets::encodeProgram(programNumbered(0, kPlugin), kPlugin);
    try {
        presets::writePresetFile(folder / "missing" / "new.fxp", program);
        ADD_FAILURE() << "a file was written into a folder that does not exist";
    } catch (const PresetError& error) {
        EXPECT_NE(std::string(error.what()).find("new.fxp: cannot be written"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(filesInFolder(), 2u) << "the failed write left a file behind";
}

} // namespace
