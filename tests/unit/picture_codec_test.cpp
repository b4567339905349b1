// The picture decoders against hand-made, corrupt and truncated files.
#include "platform/picture_codec.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "fakes/largest_allocation.h"
#include "fakes/le_bytes.h"
#include "resources/catalogue.h"

namespace velmo {
namespace {

using testing::Bytes;
using testing::LargestAllocationDuring;
using testing::Put16;
using testing::Put32;

// A BMP file: header, 40-byte info header, `colours` palette entries (entry i
// is (i, 2i, 3i)), then `pixels` as given.
Bytes Bmp(int width, int height, int bits, int compression, const Bytes& pixels, int colours = 4) {
  Bytes b{'B', 'M'};
  const uint32_t offset = 14 + 40 + colours * 4;
  Put32(b, offset + static_cast<uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, compression);
  Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, colours);
  Put32(b, 0);
  for (int i = 0; i < colours; ++i) {
    b.push_back(static_cast<uint8_t>(3 * i));  // blue
    b.push_back(static_cast<uint8_t>(2 * i));  // green
    b.push_back(static_cast<uint8_t>(i));      // red
    b.push_back(0);
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

TEST(DecodeBmp, Uncompressed8BitIsBottomUpWithPaddedRowsOrTopDown) {
  // 3 x 2: stored bottom row first, each row padded to 4 bytes.
  const Bytes file = Bmp(3, 2, 8, 0, {1, 2, 3, 0, 3, 2, 1, 0});
  Bitmap b;
  std::string error;
  ASSERT_TRUE(DecodeBmp(file, b, &error)) << error;
  ASSERT_EQ(b.GetFormat(), Bitmap::Format::Indexed8);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Indices()[0], 3);  // top-left comes from the last stored row
  EXPECT_EQ(b.Indices()[3], 1);
  EXPECT_EQ(b.Palette()[2], RGBColor(2, 4, 6));
  EXPECT_EQ(b.PixelColour(1, 1), RGBColor(2, 4, 6));
  EXPECT_EQ(BmpCompression(file), 0);

  // Top-down when the height is negative; the info header alone, without the
  // file header, as the resources hold it.
  const Bytes topDown = Bmp(3, -2, 8, 0, {1, 2, 3, 0, 3, 2, 1, 0});
  for (const auto& [other, topLeft] : {std::pair{topDown, 1}, std::pair{Bytes(file.begin() + 14, file.end()), 3}}) {
    ASSERT_TRUE(DecodeBmp(other, b, &error)) << error;
    EXPECT_EQ(b.Indices()[0], topLeft);
  }
}

TEST(DecodeBmp, Rle8RunsAbsoluteRunsDeltaAndLineEnds) {
  // 6 x 3, bottom-up. Row 2 (stored first): run of 6 x 1.
  // Row 1: absolute 3 bytes {2,3,2} (padded), then run 3 x 0.
  // Row 0: delta to x = 4, then run 2 x 3; the skipped pixels stay index 0.
  const Bytes rle{6, 1, 0, 0,                // row 2, end of line
                  0, 3, 2, 3, 2, 0, 3, 0, 0, 0,  // row 1
                  0, 2, 4, 0, 2, 3, 0, 1};   // row 0 via delta, end of bitmap
  const Bytes file = Bmp(6, 3, 8, 1, rle);
  Bitmap b;
  std::string error;
  ASSERT_TRUE(DecodeBmp(file, b, &error)) << error;
  EXPECT_EQ(BmpCompression(file), 1);
  const std::vector<uint8_t> expect{0, 0, 0, 0, 3, 3,  //
                                    2, 3, 2, 0, 0, 0,  //
                                    1, 1, 1, 1, 1, 1};
  EXPECT_EQ(std::vector<uint8_t>(b.Indices(), b.Indices() + 18), expect);
}

TEST(DecodeBmp, Rle8ThatOverrunsOrStopsShortIsRefused) {
  Bitmap b;
  std::string error;
  EXPECT_FALSE(DecodeBmp(Bmp(4, 1, 8, 1, {5, 1, 0, 1}), b, &error));  // run past the row
  EXPECT_NE(error.find("RLE8"), std::string::npos);
  EXPECT_FALSE(DecodeBmp(Bmp(4, 1, 8, 1, {4, 1}), b, &error));  // no end-of-bitmap mark
  EXPECT_FALSE(DecodeBmp(Bmp(4, 1, 8, 1, {0, 4, 1, 2}), b, &error));  // absolute run cut off
  EXPECT_FALSE(DecodeBmp(Bmp(4, 2, 8, 1, {0, 2, 9, 9, 0, 1}), b, &error));  // delta beyond the picture
  EXPECT_FALSE(DecodeBmp(Bmp(4, 2, 8, 1, {0, 0, 0, 0, 0, 0, 4, 1, 0, 1}), b, &error));  // too many rows
  EXPECT_TRUE(b.Empty()) << "a refused picture leaves the target untouched";
}

TEST(DecodeBmp, TwentyFourBitIsReadAsTrueColour) {
  // 1 x 2, bottom-up, rows padded to 4 bytes: BGR.
  const Bytes file = Bmp(1, 2, 24, 0, {10, 20, 30, 0, 40, 50, 60, 0}, 0);
  Bitmap b;
  std::string error;
  ASSERT_TRUE(DecodeBmp(file, b, &error)) << error;
  ASSERT_EQ(b.GetFormat(), Bitmap::Format::Rgb32);
  EXPECT_EQ(b.PixelColour(0, 0), RGBColor(60, 50, 40));
  EXPECT_EQ(b.PixelColour(0, 1), RGBColor(30, 20, 10));
}

TEST(DecodeBmp, BadHeadersGetAClearMessage) {
  Bitmap b;
  std::string error;
  EXPECT_FALSE(DecodeBmp({}, b, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DecodeBmp(Bmp(0, 2, 8, 0, {}), b, &error));
  EXPECT_NE(error.find("size"), std::string::npos);
  EXPECT_FALSE(DecodeBmp(Bmp(100000, 1, 8, 0, {}), b, &error));
  EXPECT_FALSE(DecodeBmp(Bmp(2, 2, 4, 0, {0, 0, 0, 0, 0, 0, 0, 0}), b, &error));
  EXPECT_NE(error.find("bits per pixel"), std::string::npos);
  EXPECT_FALSE(DecodeBmp(Bmp(2, 2, 8, 2, {0, 0}), b, &error));  // RLE4 on 8 bits
  EXPECT_FALSE(DecodeBmp(Bmp(4, 4, 8, 0, {1, 2, 3}), b, &error));
  EXPECT_NE(error.find("truncated"), std::string::npos);
  Bytes tooManyColours = Bmp(1, 1, 8, 0, {0, 0, 0, 0});
  tooManyColours[14 + 32] = 0x01;
  tooManyColours[14 + 33] = 0x01;  // 257 palette entries
  EXPECT_FALSE(DecodeBmp(tooManyColours, b, &error));
  EXPECT_EQ(BmpCompression(Bytes{'B', 'M'}), -1);
}

TEST(DecodeBmp, EveryTruncationOfARealBitmapIsRefusedSafely) {
  const resources::Resource* r = resources::Find("DDani1bird", "BITMAP");
  ASSERT_NE(r, nullptr);
  Bitmap b;
  for (size_t n = 0; n < r->data.size(); n += 7) {
    std::string error;
    EXPECT_FALSE(DecodeBmp(r->data.first(n), b, &error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
  EXPECT_TRUE(DecodeBmp(r->data, b, nullptr));
}

// Headers that promise far more pixels than their data can hold are refused
// before anything is allocated.
TEST(DecodeBmp, PictureBombsAreRefusedBeforeAllocating) {
  Bitmap b;
  std::string error;
  const Bytes rle = Bmp(32768, 32768, 8, 1, {0, 1});  // 72 bytes: "end of bitmap" at once
  const auto largest = LargestAllocationDuring([&] { EXPECT_FALSE(DecodeBmp(rle, b, &error)); });
  EXPECT_NE(error.find("size"), std::string::npos) << error;
  if (largest) {
    EXPECT_LT(*largest, 1u << 20);
  }

  const resources::Resource* r = resources::Find("Image1ground", "JPEG");
  ASSERT_NE(r, nullptr);
  Bytes jpeg(r->data.begin(), r->data.end());
  const uint8_t sof[] = {0xFF, 0xC0};
  auto at = std::search(jpeg.begin(), jpeg.end(), std::begin(sof), std::end(sof));
  ASSERT_NE(at, jpeg.end());
  at[5] = at[7] = 0x80;  // height and width 32768
  at[6] = at[8] = 0x00;
  const auto largestJpeg = LargestAllocationDuring([&] { EXPECT_FALSE(DecodeJpeg(jpeg, b, &error)); });
  EXPECT_NE(error.find("size"), std::string::npos) << error;
  if (largestJpeg) {
    EXPECT_LT(*largestJpeg, 1u << 24);
  }
  EXPECT_TRUE(b.Empty());
}

TEST(DecodeJpeg, DecodesTheSkyAndRefusesDamage) {
  const resources::Resource* r = resources::Find("Image1ground", "JPEG");
  ASSERT_NE(r, nullptr);
  Bitmap b;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(r->data, b, &error)) << error;
  EXPECT_GT(b.Width(), b.Height());

  Bitmap untouched;
  EXPECT_FALSE(DecodeJpeg({}, untouched, &error));
  EXPECT_NE(error.find("not a JPEG"), std::string::npos);
  EXPECT_FALSE(DecodeJpeg(r->data.first(r->data.size() / 2), untouched, &error));
  EXPECT_NE(error.find("JPEG"), std::string::npos);
  EXPECT_FALSE(DecodeJpeg(r->data.first(40), untouched, &error));
  Bytes garbage(r->data.begin(), r->data.begin() + 2);
  garbage.resize(2000, 0x5A);
  EXPECT_FALSE(DecodeJpeg(garbage, untouched, &error));
  EXPECT_TRUE(untouched.Empty());
}

// libjpeg's own decode to RGB, each colour sample repeated over its block.
std::vector<uint32_t> LibjpegRgb(std::span<const uint8_t> file, int* width, int* height) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&cinfo);
  *width = static_cast<int>(cinfo.output_width);
  *height = static_cast<int>(cinfo.output_height);
  std::vector<uint32_t> out(static_cast<size_t>(*width) * *height);
  std::vector<uint8_t> row(static_cast<size_t>(*width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    uint32_t* dst = out.data() + static_cast<size_t>(cinfo.output_scanline) * *width;
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (int x = 0; x < *width; ++x) dst[x] = row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

// The sea is kept as its file's planes: every part the scene cuts from it
// (a frame, the columns a screen shows, from an even or an odd column or
// row) must give exactly the colours libjpeg decodes there.
TEST(DecodeJpeg, SeaPlanesGiveLibjpegsOwnColoursInEveryPartOfEveryFrame) {
  const resources::Resource* r = resources::Find("Image1sea", "JPEG");
  ASSERT_NE(r, nullptr);
  Bitmap sea;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(r->data, sea, &error)) << error;
  ASSERT_EQ(sea.GetFormat(), Bitmap::Format::Ycc420);
  int w = 0, h = 0;
  const std::vector<uint32_t> reference = LibjpegRgb(r->data, &w, &h);
  ASSERT_EQ(sea.Width(), w);
  ASSERT_EQ(sea.Height(), h);
  constexpr int kRows = 166, kColumns = 1067;
  ASSERT_EQ(h % kRows, 0);
  struct Part {
    int top, rows, left, columns;
  };
  for (int frame = 0; frame < h / kRows; ++frame) {
    const int top = frame * kRows;
    for (const Part& part : {Part{top, kRows, 70, kColumns}, Part{top, kRows, 71, kColumns}, Part{top + 1, kRows - 1, 0, w}}) {
      const Bitmap cut = sea.CopyRows(part.top, part.rows).CopyColumns(part.left, part.columns).TrueColourCopy();
      ASSERT_EQ(cut.Width(), part.columns);
      for (int y = 0; y < part.rows; ++y)
        for (int x = 0; x < part.columns; ++x)
          ASSERT_EQ(cut.Pixels()[static_cast<size_t>(y) * part.columns + x],
                    reference[static_cast<size_t>(part.top + y) * w + part.left + x])
              << "frame " << frame << " from column " << part.left << ", row " << part.top << ": " << x << "," << y;
    }
  }
  const uint32_t corner = reference[static_cast<size_t>(h - 1) * w + w - 1];
  EXPECT_EQ(sea.PixelColour(w - 1, h - 1), RGBColor(static_cast<uint8_t>(corner >> 16), static_cast<uint8_t>(corner >> 8), static_cast<uint8_t>(corner)));

  Bitmap untouched;
  EXPECT_FALSE(DecodeJpeg(r->data.first(r->data.size() / 2), untouched, &error));
  EXPECT_NE(error.find("corrupt or truncated"), std::string::npos) << error;
  EXPECT_TRUE(untouched.Empty());
}

}  // namespace
}  // namespace velmo
