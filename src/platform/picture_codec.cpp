#include "platform/picture_codec.h"

#include <jpeglib.h>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace velmo {
namespace {

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

// libjpeg reports fatal errors through a callback that must not return.
struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

// Counts warnings (a cut-off file is one) without writing to stderr.
void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

constexpr int kMaxSide = 1 << 15;

// Colour at half the columns and half the rows (the common "4:2:0").
bool HalfResolutionColour(const jpeg_decompress_struct& cinfo) {
  const jpeg_component_info* c = cinfo.comp_info;
  return cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr && c[0].h_samp_factor == 2 &&
         c[0].v_samp_factor == 2 && c[1].h_samp_factor == 1 && c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 &&
         c[2].v_samp_factor == 1;
}

// The most pixels one byte of compressed data can plausibly stand for. A run
// of RLE8 paints at most 255 pixels with 2 bytes (twice that is allowed for
// rows left to end-of-line marks); baseline JPEG spends at least 2 bits on
// each 8 x 8 block of each component (256 pixels a byte for grey, fewer for
// colour). Headers that promise more are refused before anything is
// allocated, so a few bytes cannot ask for gigabytes.
constexpr size_t kMaxRle8PixelsPerByte = 256;
constexpr size_t kMaxJpegPixelsPerByte = 1024;

uint32_t Read16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Read32(const uint8_t* p) { return Read16(p) | (Read16(p + 2) << 16); }

struct BmpHeader {
  size_t infoAt = 0;       // offset of the info header
  size_t pixelsAt = 0;     // offset of the pixel data, 0 when unknown
  uint32_t infoSize = 0;
  int32_t width = 0;
  int32_t height = 0;      // negative: rows stored top-down
  uint32_t bits = 0;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

bool ReadBmpHeader(std::span<const uint8_t> d, BmpHeader& h, std::string* error) {
  if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') {
    if (d.size() < 14 + 40) return Fail(error, "BMP: truncated header");
    h.infoAt = 14;
    h.pixelsAt = Read32(&d[10]);
  } else if (d.size() < 40) {
    return Fail(error, "BMP: not a bitmap (too short)");
  }
  h.infoSize = Read32(&d[h.infoAt]);
  if (h.infoSize < 40 || h.infoSize > 1024 || h.infoAt + h.infoSize > d.size())
    return Fail(error, "BMP: unsupported or truncated info header");
  h.width = static_cast<int32_t>(Read32(&d[h.infoAt + 4]));
  h.height = static_cast<int32_t>(Read32(&d[h.infoAt + 8]));
  h.bits = Read16(&d[h.infoAt + 14]);
  h.compression = Read32(&d[h.infoAt + 16]);
  h.coloursUsed = Read32(&d[h.infoAt + 32]);
  if (Read16(&d[h.infoAt + 12]) != 1) return Fail(error, "BMP: plane count is not 1");
  return true;
}

bool DecodeRle8(std::span<const uint8_t> d, size_t at, Bitmap& out, bool bottomUp, std::string* error) {
  const int w = out.Width(), h = out.Height();
  uint8_t* px = out.Indices();
  int x = 0, row = 0;  // row counts in storage order
  auto put = [&](uint8_t v) {
    if (x >= w || row >= h) return false;
    const int y = bottomUp ? h - 1 - row : row;
    px[static_cast<size_t>(y) * w + x] = v;
    ++x;
    return true;
  };
  while (true) {
    if (at + 2 > d.size()) return Fail(error, "BMP: RLE8 data ends without an end-of-bitmap mark");
    const uint8_t count = d[at], value = d[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        if (!put(value)) return Fail(error, "BMP: RLE8 run goes past the picture");
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (at + 2 > d.size()) return Fail(error, "BMP: truncated RLE8 delta");
      x += d[at];
      row += d[at + 1];
      at += 2;
      if (x > w || row > h) return Fail(error, "BMP: RLE8 delta goes past the picture");
    } else {  // absolute run, padded to a word
      const size_t n = value;
      if (at + n > d.size()) return Fail(error, "BMP: truncated RLE8 absolute run");
      for (size_t i = 0; i < n; ++i)
        if (!put(d[at + i])) return Fail(error, "BMP: RLE8 absolute run goes past the picture");
      at += n + (n & 1);
    }
  }
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string* error) {
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return Fail(error, "JPEG: not a JPEG file");
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnJpegError;
  err.base.emit_message = OnJpegMessage;
  // Everything that must survive the long jump lives outside this frame's locals.
  Bitmap result;
  std::vector<uint8_t> row;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return Fail(error, std::string("JPEG: ") + err.message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxSide ||
      cinfo.image_height > kMaxSide) {
    jpeg_destroy_decompress(&cinfo);
    return Fail(error, "JPEG: picture size out of range");
  }
  if (size_t{cinfo.image_width} * cinfo.image_height > data.size() * kMaxJpegPixelsPerByte) {
    jpeg_destroy_decompress(&cinfo);
    return Fail(error, "JPEG: picture size larger than the data can hold");
  }
  if (HalfResolutionColour(cinfo)) {
    // Kept as the file holds it: the planes, read raw, in bands of 16 rows
    // (a file cut short is refused at its first warning, as below).
    cinfo.raw_data_out = TRUE;
    jpeg_start_decompress(&cinfo);
    const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
    result = Bitmap::Planes(w, h);
    const YccPlanes planes = result.Planes();
    const size_t lumaRow = size_t{cinfo.comp_info[0].width_in_blocks} * DCTSIZE;
    const size_t chromaRow = size_t{cinfo.comp_info[1].width_in_blocks} * DCTSIZE;
    row.resize(2 * DCTSIZE * lumaRow + 2 * DCTSIZE * chromaRow);
    std::array<std::array<JSAMPROW, 2 * DCTSIZE>, 3> rows{};
    for (int r = 0; r < 2 * DCTSIZE; ++r) rows[0][r] = row.data() + r * lumaRow;
    for (int c = 1; c < 3; ++c)
      for (int r = 0; r < DCTSIZE; ++r) rows[c][r] = row.data() + 2 * DCTSIZE * lumaRow + ((c - 1) * DCTSIZE + r) * chromaRow;
    JSAMPARRAY bands[3] = {rows[0].data(), rows[1].data(), rows[2].data()};
    while (cinfo.output_scanline < cinfo.output_height && cinfo.err->num_warnings == 0) {
      const int y = static_cast<int>(cinfo.output_scanline);
      jpeg_read_raw_data(&cinfo, bands, 2 * DCTSIZE);
      for (int r = 0; r < 2 * DCTSIZE && y + r < h; ++r)
        std::memcpy(result.Plane(0) + static_cast<size_t>(y + r) * w, rows[0][r], w);
      const int cw = planes.ChromaWidth(), ch = planes.ChromaHeight();
      for (int c = 1; c < 3; ++c)
        for (int r = 0; r < DCTSIZE && y / 2 + r < ch; ++r)
          std::memcpy(result.Plane(c) + static_cast<size_t>(y / 2 + r) * cw, rows[c][r], cw);
    }
  } else {
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
    result = Bitmap::TrueColour(w, h);
    row.resize(static_cast<size_t>(w) * 3);
    // A file cut short decodes as grey rows with a warning; refuse it at the
    // first one rather than decode the rest of the picture from nothing.
    while (cinfo.output_scanline < cinfo.output_height && cinfo.err->num_warnings == 0) {
      const int y = static_cast<int>(cinfo.output_scanline);
      JSAMPROW rows[1] = {row.data()};
      jpeg_read_scanlines(&cinfo, rows, 1);
      uint32_t* dst = result.Pixels() + static_cast<size_t>(y) * w;
      for (int x = 0; x < w; ++x) dst[x] = (row[x * 3] << 16) | (row[x * 3 + 1] << 8) | row[x * 3 + 2];
    }
  }
  if (cinfo.err->num_warnings > 0) {
    jpeg_destroy_decompress(&cinfo);  // aborts a decompression left half-way
    return Fail(error, "JPEG: corrupt or truncated data");
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out = std::move(result);
  return true;
}

int BmpCompression(std::span<const uint8_t> data) {
  BmpHeader h;
  if (!ReadBmpHeader(data, h, nullptr)) return -1;
  return static_cast<int>(h.compression);
}

bool DecodeBmp(std::span<const uint8_t> d, Bitmap& out, std::string* error) {
  BmpHeader h;
  if (!ReadBmpHeader(d, h, error)) return false;
  const bool bottomUp = h.height > 0;
  const int64_t w = h.width, hh = h.height < 0 ? -static_cast<int64_t>(h.height) : h.height;
  if (w <= 0 || hh <= 0 || w > kMaxSide || hh > kMaxSide) return Fail(error, "BMP: picture size out of range");
  const int width = static_cast<int>(w), height = static_cast<int>(hh);

  if (h.bits == 8) {
    if (h.compression != 0 && h.compression != 1) return Fail(error, "BMP: unsupported compression");
    if (h.compression == 1 && !bottomUp) return Fail(error, "BMP: RLE8 picture stored top-down");
    const uint32_t colours = h.coloursUsed == 0 ? 256 : h.coloursUsed;
    if (colours > 256) return Fail(error, "BMP: more than 256 palette entries");
    const size_t paletteAt = h.infoAt + h.infoSize;
    if (paletteAt + colours * 4 > d.size()) return Fail(error, "BMP: truncated palette");
    std::array<TColor, 256> palette{};
    for (uint32_t i = 0; i < colours; ++i) {
      const uint8_t* p = &d[paletteAt + i * 4];
      palette[i] = RGBColor(p[2], p[1], p[0]);
    }
    const size_t pixelsAt = h.pixelsAt ? h.pixelsAt : paletteAt + colours * 4;
    if (pixelsAt > d.size()) return Fail(error, "BMP: pixel data missing");
    const size_t stride = (static_cast<size_t>(width) + 3) & ~size_t{3};
    if (h.compression == 1) {
      if (static_cast<size_t>(width) * height > (d.size() - pixelsAt) * kMaxRle8PixelsPerByte)
        return Fail(error, "BMP: picture size larger than the RLE8 data can hold");
    } else if (pixelsAt + stride * (height - 1) + width > d.size()) {
      return Fail(error, "BMP: truncated pixel data");
    }
    Bitmap result = Bitmap::Indexed(width, height, palette);
    if (h.compression == 1) {
      if (!DecodeRle8(d, pixelsAt, result, bottomUp, error)) return false;
    } else {
      for (int row = 0; row < height; ++row) {
        const int y = bottomUp ? height - 1 - row : row;
        std::memcpy(result.Indices() + static_cast<size_t>(y) * width, &d[pixelsAt + row * stride], width);
      }
    }
    out = std::move(result);
    return true;
  }
  if (h.bits == 24) {
    if (h.compression != 0) return Fail(error, "BMP: unsupported compression");
    const size_t pixelsAt = h.pixelsAt ? h.pixelsAt : h.infoAt + h.infoSize;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (pixelsAt > d.size() || pixelsAt + stride * (height - 1) + static_cast<size_t>(width) * 3 > d.size())
      return Fail(error, "BMP: truncated pixel data");
    Bitmap result = Bitmap::TrueColour(width, height);
    for (int row = 0; row < height; ++row) {
      const int y = bottomUp ? height - 1 - row : row;
      const uint8_t* src = &d[pixelsAt + row * stride];
      uint32_t* dst = result.Pixels() + static_cast<size_t>(y) * width;
      for (int x = 0; x < width; ++x) dst[x] = (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
    }
    out = std::move(result);
    return true;
  }
  return Fail(error, "BMP: unsupported bits per pixel (" + std::to_string(h.bits) + ")");
}

}  // namespace velmo
