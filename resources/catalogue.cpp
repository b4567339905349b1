#include "resources/catalogue.h"

#include <array>
#include <cctype>

#include "platform/file_pages.h"
#include "platform/text.h"
#include "resources/embed.h"

namespace velmo::resources {
namespace {

#define VELMO_DATA(id) std::span<const uint8_t>(velmo_##id##_start, velmo_##id##_end)

// The program's icon is no entry: nothing draws it, and the menu entry's
// icon file is its one copy on disk.
const std::array<Resource, 14>& Entries() {
  static const std::array<Resource, 14> entries{{
      {"Image1ground", kTypeJpeg, VELMO_DATA(image1ground)},
      {"Image1sea", kTypeJpeg, VELMO_DATA(image1sea)},
      {"DDbmp1stone", kTypeBitmap, VELMO_DATA(ddbmp1stone)},
      {"DDani1bird", kTypeBitmap, VELMO_DATA(ddani1bird)},
      {"DDani1birds_small", kTypeBitmap, VELMO_DATA(ddani1birds_small)},
      {"DDani1bird_x2", kTypeBitmap, VELMO_DATA(ddani1bird_x2)},
      {"DDani1birds_small_x2", kTypeBitmap, VELMO_DATA(ddani1birds_small_x2)},
      {"DDani1bird_x3", kTypeBitmap, VELMO_DATA(ddani1bird_x3)},
      {"DDani1birds_small_x3", kTypeBitmap, VELMO_DATA(ddani1birds_small_x3)},
      {"DDani1bird_x4", kTypeBitmap, VELMO_DATA(ddani1bird_x4)},
      {"DDani1birds_small_x4", kTypeBitmap, VELMO_DATA(ddani1birds_small_x4)},
      {"PREV_BITMAP", kTypeBitmap, VELMO_DATA(prev_bitmap)},
      {"Image1", kTypeBitmap, VELMO_DATA(prev_bitmap)},  // the same picture, kept once
      {"SoundName", kTypeWave, VELMO_DATA(soundname)},
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

void DropPages(const Resource& resource) { DropFilePages(resource.data, 0, resource.data.size()); }

}  // namespace velmo::resources
