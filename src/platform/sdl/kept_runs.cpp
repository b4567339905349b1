#include "platform/sdl/kept_runs.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace velmo {

std::unique_ptr<KeptRuns> KeptRuns::Of(const uint8_t* pixels, int pitch, int width, int height, int bytes,
                                       uint32_t key) {
  auto pixelAt = [&](const uint8_t* row, int x) -> uint32_t {
    if (bytes == 4) return reinterpret_cast<const uint32_t*>(row)[x];
    return reinterpret_cast<const uint16_t*>(row)[x];
  };
  // The fourth byte of every pixel kept, where they share one: then 3 bytes
  // a pixel are kept (the key's pixels are made again from the key).
  std::optional<uint8_t> high;
  bool shared = bytes == 4;
  for (int y = 0; y < height && shared; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < width && shared; ++x) {
      if (pixelAt(row, x) == key) continue;
      if (!high) high = row[4 * x + 3];
      shared = row[4 * x + 3] == *high;
    }
  }
  const int kept = shared ? 3 : bytes;
  // Two passes: the runs and their size, then their pixels.
  auto made = std::make_unique<KeptRuns>();
  std::vector<Run>& runs = made->runs_;
  std::vector<uint32_t>& rowRuns = made->rowRuns_;
  rowRuns.assign(static_cast<size_t>(height) + 1, 0);
  size_t total = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
    rowRuns[y] = static_cast<uint32_t>(runs.size());
    for (int x = 0; x < width;) {
      if (pixelAt(row, x) == key) {
        ++x;
        continue;
      }
      int end = x + 1;
      while (end < width && pixelAt(row, end) != key) ++end;
      runs.push_back(Run{x, end - x, total});
      total += static_cast<size_t>(end - x) * kept;
      x = end;
    }
  }
  rowRuns[height] = static_cast<uint32_t>(runs.size());
  made->opaque_ = ZeroedPixels(std::max<size_t>(total, 1));
  if (!made->opaque_) return nullptr;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
    for (uint32_t i = rowRuns[y]; i < rowRuns[y + 1]; ++i) {
      uint8_t* out = made->opaque_.get() + runs[i].offset;
      const uint8_t* in = row + static_cast<size_t>(runs[i].x) * bytes;
      if (kept == 3) {
        for (int32_t k = 0; k < runs[i].length; ++k, out += 3) std::memcpy(out, in + 4 * k, 3);
      } else {
        std::memcpy(out, in, static_cast<size_t>(runs[i].length) * bytes);
      }
    }
  }
  runs.shrink_to_fit();
  made->width_ = width;
  made->bytes_ = bytes;
  made->runBytes_ = kept;
  made->high_ = shared && high ? uint32_t{*high} << 24 : 0;
  return made;
}

void KeptRuns::Unpack(uint8_t* pixels, int pitch, uint32_t key) const {
  const int height = static_cast<int>(rowRuns_.size()) - 1;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
    if (bytes_ == 4) std::fill_n(reinterpret_cast<uint32_t*>(row), width_, key);
    else std::fill_n(reinterpret_cast<uint16_t*>(row), width_, static_cast<uint16_t>(key));
    for (uint32_t i = rowRuns_[y]; i < rowRuns_[y + 1]; ++i) {
      const Run& run = runs_[i];
      if (runBytes_ == 3) {
        const PackedRow in{opaque_.get() + run.offset, high_};
        auto* out = reinterpret_cast<uint32_t*>(row) + run.x;
        for (int32_t k = 0; k < run.length; ++k) out[k] = in[k];
      } else {
        std::memcpy(row + static_cast<size_t>(run.x) * bytes_, opaque_.get() + run.offset,
                    static_cast<size_t>(run.length) * bytes_);
      }
    }
  }
}

bool KeptRuns::KeyedSpan(int32_t y, int32_t& first, int32_t& last) const {
  // The gaps between the row's runs, and before and after them.
  first = width_;
  last = 0;
  int32_t x = 0;
  for (uint32_t i = rowRuns_[y]; i < rowRuns_[y + 1]; ++i) {
    if (runs_[i].x > x) {
      first = std::min(first, x);
      last = runs_[i].x;
    }
    x = runs_[i].x + runs_[i].length;
  }
  if (x < width_) {
    first = std::min(first, x);
    last = width_;
  }
  return first < last;
}

void KeptRuns::Blit(uint8_t* pixels, int pitch, const SDL_Rect& drawn, int32_t left, int32_t right,
                    int32_t sourceTop) const {
  for (int row = 0; row < drawn.h; ++row) {
    const int32_t sy = sourceTop + row;
    uint8_t* out = pixels + static_cast<size_t>(drawn.y + row) * pitch;
    for (uint32_t i = rowRuns_[sy]; i < rowRuns_[sy + 1]; ++i) {
      const Run& run = runs_[i];
      if (run.x >= right) break;
      const int32_t a = std::max(run.x, left), b = std::min(run.x + run.length, right);
      if (a >= b) continue;
      uint8_t* to = out + static_cast<size_t>(drawn.x + (a - left)) * bytes_;
      if (runBytes_ == 3) {
        const PackedRow in{opaque_.get() + run.offset + static_cast<size_t>(a - run.x) * 3, high_};
        auto* wide = reinterpret_cast<uint32_t*>(to);
        for (int32_t k = 0; k < b - a; ++k) wide[k] = in[k];
      } else {
        std::memcpy(to, opaque_.get() + run.offset + static_cast<size_t>(a - run.x) * bytes_,
                    static_cast<size_t>(b - a) * bytes_);
      }
    }
  }
}

}  // namespace velmo
