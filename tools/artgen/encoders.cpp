#include "encoders.h"

#include <cairo.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace artgen {
namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Patch32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// One row in RLE8: runs of equal bytes as (count, value); stretches of
// differing bytes in absolute mode (0, count, bytes, pad to a word) when at
// least three long, since shorter ones are escape codes.
void EncodeRleRow(const uint8_t* row, int width, Bytes& out) {
  int x = 0;
  while (x < width) {
    int run = 1;
    while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(row[x]);
      x += run;
      continue;
    }
    // Literal stretch: up to the next run of two or more.
    int lit = 1;
    while (x + lit < width && lit < 255 && !(x + lit + 1 < width && row[x + lit] == row[x + lit + 1])) ++lit;
    if (lit < 3) {
      for (int i = 0; i < lit; ++i) {
        out.push_back(1);
        out.push_back(row[x + i]);
      }
    } else {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(lit));
      out.insert(out.end(), row + x, row + x + lit);
      if (lit & 1) out.push_back(0);
    }
    x += lit;
  }
}

}  // namespace

Bytes EncodeJpeg(const Image& image, int quality, bool halfColour) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = image.width;
  cinfo.image_height = image.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // Colour at full resolution, or at half the columns and rows, each
  // sample the mean of a 2 x 2 block of pixels.
  for (int c = 0; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  if (halfColour) {
    cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
    // A colour block then covers 16 x 16 pixels, enlarged up to 3.6 times on
    // a large screen: quantised as coarsely as brightness, its edges showed as
    // faint colour seams across the sea. The colour table is the usual one
    // (in natural order) at a finer quality: the file grows by a fifth.
    static const unsigned int kColourTable[64] = {
        17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
        99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    jpeg_add_quant_table(&cinfo, 1, kColourTable, jpeg_quality_scaling(std::min(quality + 7, 98)), TRUE);
  }
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = cinfo.next_scanline;
    for (int x = 0; x < image.width; ++x) {
      const Rgb& p = image.at(x, y);
      row[x * 3] = ToByte(p.r);
      row[x * 3 + 1] = ToByte(p.g);
      row[x * 3 + 2] = ToByte(p.b);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}

Bytes EncodeBmp8(const Indexed& picture, bool rle8) {
  Bytes pixels;
  const int stride = (picture.width + 3) & ~3;
  // Rows are stored bottom-up.
  for (int y = picture.height - 1; y >= 0; --y) {
    const uint8_t* row = &picture.index[static_cast<size_t>(y) * picture.width];
    if (rle8) {
      EncodeRleRow(row, picture.width, pixels);
      if (y > 0) {
        pixels.push_back(0);
        pixels.push_back(0);  // end of line
      }
    } else {
      pixels.insert(pixels.end(), row, row + picture.width);
      pixels.resize(pixels.size() + (stride - picture.width), 0);
    }
  }
  if (rle8) {
    pixels.push_back(0);
    pixels.push_back(1);  // end of bitmap
  }
  const uint32_t offset = 14 + 40 + 256 * 4;
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 0);  // file size, patched below
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, picture.width);
  Put32(b, picture.height);
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, rle8 ? 1 : 0);  // BI_RLE8 : BI_RGB
  Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 256);
  Put32(b, 0);
  for (const PaletteColour& c : picture.palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  Patch32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& argb) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      // Cairo wants premultiplied alpha.
      const uint32_t p = argb[static_cast<size_t>(y) * width + x];
      const uint32_t a = p >> 24;
      const uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(s);
  const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

bool WritePng(const std::string& path, const Image& image) {
  std::vector<uint32_t> argb(image.px.size());
  for (size_t i = 0; i < argb.size(); ++i) {
    const Rgb& p = image.px[i];
    argb[i] = 0xFF000000u | (ToByte(p.r) << 16) | (ToByte(p.g) << 8) | ToByte(p.b);
  }
  return WritePng(path, image.width, image.height, argb);
}

namespace {

struct Box {
  std::vector<uint32_t> colours;  // 0x00RRGGBB
  int Span(int shift) const {
    int lo = 255, hi = 0;
    for (uint32_t c : colours) {
      const int v = (c >> shift) & 0xFF;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    return hi - lo;
  }
};

}  // namespace

void Quantise(const Image& image, const std::vector<bool>& use, int first, int colours, Indexed& out) {
  std::vector<uint32_t> all;
  all.reserve(image.px.size());
  for (size_t i = 0; i < image.px.size(); ++i) {
    if (!use.empty() && !use[i]) continue;
    const Rgb& p = image.px[i];
    all.push_back((ToByte(p.r) << 16) | (ToByte(p.g) << 8) | ToByte(p.b));
  }
  std::vector<Box> boxes;
  if (!all.empty()) boxes.push_back({std::move(all)});
  while (static_cast<int>(boxes.size()) < colours) {
    // Split the box with the widest channel span, weighted by its population.
    int best = -1;
    long bestScore = 0;
    int bestShift = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].colours.size() < 2) continue;
      for (int shift : {16, 8, 0}) {
        const long score = static_cast<long>(boxes[i].Span(shift)) * static_cast<long>(std::sqrt(boxes[i].colours.size()));
        if (score > bestScore) {
          bestScore = score;
          best = static_cast<int>(i);
          bestShift = shift;
        }
      }
    }
    if (best < 0) break;
    auto& cs = boxes[best].colours;
    std::sort(cs.begin(), cs.end(), [&](uint32_t a, uint32_t b) {
      return ((a >> bestShift) & 0xFF) < ((b >> bestShift) & 0xFF);
    });
    Box upper{std::vector<uint32_t>(cs.begin() + cs.size() / 2, cs.end())};
    cs.resize(cs.size() / 2);
    boxes.push_back(std::move(upper));
  }
  for (size_t i = 0; i < boxes.size(); ++i) {
    uint64_t r = 0, g = 0, b = 0;
    for (uint32_t c : boxes[i].colours) {
      r += (c >> 16) & 0xFF;
      g += (c >> 8) & 0xFF;
      b += c & 0xFF;
    }
    const uint64_t n = std::max<uint64_t>(boxes[i].colours.size(), 1);
    out.palette[first + i] = {static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n), static_cast<uint8_t>(b / n)};
  }
  // Nearest palette entry for each pixel, each colour searched once.
  std::vector<int16_t> found(size_t{1} << 24, -1);
  for (size_t i = 0; i < image.px.size(); ++i) {
    if (!use.empty() && !use[i]) continue;
    const Rgb& p = image.px[i];
    const int r = ToByte(p.r), g = ToByte(p.g), b = ToByte(p.b);
    int16_t& known = found[(static_cast<size_t>(r) << 16) | (g << 8) | b];
    if (known >= 0) {
      out.index[i] = static_cast<uint8_t>(known);
      continue;
    }
    int best = first, bestD = 1 << 30;
    for (size_t k = 0; k < boxes.size(); ++k) {
      const PaletteColour& c = out.palette[first + k];
      const int d = (c.r - r) * (c.r - r) * 3 + (c.g - g) * (c.g - g) * 4 + (c.b - b) * (c.b - b) * 2;
      if (d < bestD) {
        bestD = d;
        best = first + static_cast<int>(k);
      }
    }
    out.index[i] = static_cast<uint8_t>(best);
    known = static_cast<int16_t>(best);
  }
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

}  // namespace artgen
