#include "platform/frame_sink.h"

#include <utility>
#include <vector>

namespace velmo {
namespace {

std::vector<std::pair<uint32_t, IFrameSink*>> sinks;  // main thread only
uint32_t lastId = 0;

}  // namespace

uint32_t EnterFrameSink(IFrameSink* sink) {
  if (++lastId == 0) ++lastId;
  sinks.emplace_back(lastId, sink);
  return lastId;
}

void LeaveFrameSink(uint32_t id) {
  std::erase_if(sinks, [id](const auto& entry) { return entry.first == id; });
}

IFrameSink* FrameSinkOf(uint32_t id) {
  for (const auto& [entryId, sink] : sinks)
    if (entryId == id) return sink;
  return nullptr;
}

uint32_t FrameSinkId(const IFrameSink* sink) {
  for (const auto& [entryId, entry] : sinks)
    if (entry == sink) return entryId;
  return 0;
}

}  // namespace velmo
