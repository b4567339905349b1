#include "resources/catalogue.h"

#include <array>
#include <cctype>

#include "platform/text.h"
#include "resources/embed.h"

namespace velmo::resources {
namespace {

#define VELMO_DATA(id) std::span<const uint8_t>(velmo_##id##_start, velmo_##id##_end)

const std::array<Resource, 9>& Entries() {
  static const std::array<Resource, 9> entries{{
      {"Image1ground", kTypeJpeg, VELMO_DATA(image1ground)},
      {"Image1sea", kTypeJpeg, VELMO_DATA(image1sea)},
      {"DDbmp1stone", kTypeBitmap, VELMO_DATA(ddbmp1stone)},
      {"DDani1bird", kTypeBitmap, VELMO_DATA(ddani1bird)},
      {"DDani1birds_small", kTypeBitmap, VELMO_DATA(ddani1birds_small)},
      {"PREV_BITMAP", kTypeBitmap, VELMO_DATA(prev_bitmap)},
      {"Image1", kTypeBitmap, VELMO_DATA(image1)},
      {"SoundName", kTypeWave, VELMO_DATA(soundname)},
      {"MAINICON", kTypeIcon, VELMO_DATA(mainicon)},
  }};
  return entries;
}

#undef VELMO_DATA

}  // namespace

const Resource* Find(std::string_view name, std::string_view type) {
  for (const Resource& r : Entries())
    if (EqualsIgnoringCase(r.name, name) && EqualsIgnoringCase(r.type, type)) return &r;
  return nullptr;
}

std::span<const Resource> All() { return Entries(); }

}  // namespace velmo::resources
