#pragma once
// The assets compiled into the program, found by name and type
// (both matched without regard to case).
#include <cstdint>
#include <span>
#include <string_view>

namespace velmo::resources {

struct Resource {
  std::string_view name;
  std::string_view type;
  std::span<const uint8_t> data;
};

// Resource types of the catalogue.
inline constexpr std::string_view kTypeJpeg = "JPEG";      // JPEG file (Image1ground, Image1sea)
inline constexpr std::string_view kTypeBitmap = "BITMAP";  // Windows BMP file, "BM" header included
inline constexpr std::string_view kTypeWave = "WAVE";      // RIFF WAVE file (SoundName)

// Null when there is no such resource.
const Resource* Find(std::string_view name, std::string_view type);

// Lets the system drop the resident pages of a resource read once (a picture
// decoded at start-up); a later read pages it in again from the program file.
void DropPages(const Resource& resource);

// Every entry, for listing and tests.
std::span<const Resource> All();

}  // namespace velmo::resources
