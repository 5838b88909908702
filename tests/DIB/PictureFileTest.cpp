// Pictures from PNG and BMP files into images, and the values formc makes of them.
#include "toolkit/PictureFile.h"
#include "DIB/cDIB.h"
#include "DIB/cDIBImageList.h"
#include "tests/DIB/DIBTestSupport.h"
#include "tools/formc/FormFiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using dibtest::bgra;

class PictureFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() /
            ("tmx1-pictures-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A 3 × 2 PNG, top row first as PNG stores it: red, green, blue / white, black, grey.
    std::string writePng(const std::string& name, bool withAlpha) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 3;
        image.height = 2;
        image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        const int channels = withAlpha ? 4 : 3;
        const std::uint8_t rgb[6][3] = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},
                                        {255, 255, 255}, {0, 0, 0},   {9, 9, 9}};
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < 6; ++i) {
            pixels.insert(pixels.end(), rgb[i], rgb[i] + 3);
            if (withAlpha)
                pixels.push_back(static_cast<std::uint8_t>(40 * i));
        }
        const std::string path = (folder / name).string();
        EXPECT_NE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 3 * channels, nullptr), 0);
        return path;
    }

    std::string writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path folder;
};

TEST_F(PictureFiles, RgbPngLoadsTopRowOnTopWithAlpha255) {
    dib::TMemoryDIB image;
    image.LoadImageFromFile(writePng("rgb.png", false));
    ASSERT_EQ(image.Width(), 3);
    ASSERT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Pixel(0, 0), bgra(0, 0, 255, 255));
    EXPECT_EQ(image.Pixel(2, 0), bgra(255, 0, 0, 255));
    EXPECT_EQ(image.Pixel(2, 1), bgra(9, 9, 9, 255));
    EXPECT_EQ(image.Pixels()[0], bgra(255, 255, 255, 255)) << "first in memory: bottom-left";
    EXPECT_FALSE(image.Masked());
}

TEST_F(PictureFiles, PngWithAlphaTurnsMaskedOnAndKeepsItsAlpha) {
    dib::TMemoryDIB image;
    image.SetTransparent(true);
    image.LoadImageFromFile(writePng("rgba.png", true));
    EXPECT_TRUE(image.Masked());
    EXPECT_FALSE(image.Transparent());
    EXPECT_EQ(image.Pixel(1, 0), bgra(0, 255, 0, 40));
    EXPECT_EQ(image.Pixel(2, 1), bgra(9, 9, 9, 200));
}

TEST_F(PictureFiles, ThirtyTwoBitBitmapTurnsMaskedOn) {
    std::vector<std::uint8_t> bmp = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0, 0, 0, 2,
                                     0,   0,   0,  1, 0, 0, 0, 1, 0, 32, 0,  0, 0, 0, 0,  8, 0, 0, 0};
    bmp.resize(54, 0);
    for (std::uint8_t b : {1, 2, 3, 4, 5, 6, 7, 8})
        bmp.push_back(b);
    dib::TMemoryDIB image;
    image.LoadImageFromFile(writeBytes("argb.bmp", bmp));
    EXPECT_TRUE(image.Masked());
    EXPECT_EQ(image.Pixel(1, 0), bgra(5, 6, 7, 8));
}

TEST_F(PictureFiles, SavedPngReadsBackPixelForPixelWithAndWithoutAlpha) {
    toolkit::TPictureData picture{3, 2, true, {0x80102030, 0xff405060, 0x00708090, 0xffa0b0c0, 0x10d0e0f0, 0xff000000}};
    const std::string withAlpha = (folder / "alpha.png").string();
    toolkit::SavePng(withAlpha, picture);
    toolkit::TPictureData back = toolkit::LoadPictureFile(withAlpha);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_TRUE(back.hasAlpha);
    EXPECT_EQ(back.pixels, picture.pixels) << "bottom row first in, bottom row first out";

    picture.hasAlpha = false;
    const std::string opaque = (folder / "opaque.png").string();
    toolkit::SavePng(opaque, picture);
    back = toolkit::LoadPictureFile(opaque);
    EXPECT_FALSE(back.hasAlpha);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        EXPECT_EQ(back.pixels[i], picture.pixels[i] | 0xff000000) << i;

    EXPECT_THROW(toolkit::SavePng((folder / "no-such-folder" / "x.png").string(), picture), toolkit::EPictureError);
}

TEST_F(PictureFiles, DamagedBitmapsAreRefusedNotOverread) {
    std::vector<std::uint8_t> bmp = toolkit::EncodeBitmap24({4, 4, false, std::vector<std::uint32_t>(16, 0)});
    bmp.resize(bmp.size() - 1);
    EXPECT_THROW(toolkit::DecodePicture(bmp), toolkit::EPictureError);
    bmp[28] = 16; // 16-bit: not supported
    EXPECT_THROW(toolkit::DecodePicture(bmp), toolkit::EPictureError);
    EXPECT_THROW(toolkit::DecodePicture(std::vector<std::uint8_t>{'x', 'y'}), toolkit::EPictureError);
}

TEST_F(PictureFiles, FormcImageDataIsThePlainDataForm) {
    const std::vector<std::uint8_t> data = formc::ImageData(writePng("rgb.png", false));
    ASSERT_EQ(data.size(), 4u + 3 * 2 * 4);
    EXPECT_EQ(data[0], 3);
    EXPECT_EQ(data[2], 2);
    dib::TMemoryDIB image;
    dib::ReadPlainDIBData(image, data);
    EXPECT_EQ(image.Pixel(0, 0), bgra(0, 0, 255, 255));
}

TEST_F(PictureFiles, FormcBitmapDataIsATBitmapWithA24BitFile) {
    toolkit::TPictureData meter{10, 120, false, std::vector<std::uint32_t>(1200, bgra(1, 2, 3, 255))};
    const std::string path = writeBytes("meter.bmp", toolkit::EncodeBitmap24(meter));
    const std::vector<std::uint8_t> data = formc::BitmapPictureData(path);
    ASSERT_EQ(data.size(), 1u + 7 + 4 + 3894);
    EXPECT_EQ(std::string(data.begin() + 1, data.begin() + 8), "TBitmap");
    EXPECT_EQ(data[8] | data[9] << 8, 3894);
    const toolkit::TPictureData decoded = toolkit::DecodePicture(std::span(data).subspan(12));
    EXPECT_EQ(decoded.width, 10);
    EXPECT_EQ(decoded.pixels[1199], bgra(1, 2, 3, 255));
}

} // namespace
