#include "platform/wayland/wayland_probe.h"

#include <SDL.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmo {
namespace {

// The core protocol's fixed ids and opcodes (wayland.xml, version 1): the
// display is object 1; a client numbers its own objects from 2.
constexpr uint32_t kDisplay = 1, kRegistry = 2, kCallback = 3;
constexpr uint16_t kDisplaySync = 0, kDisplayGetRegistry = 1;
constexpr uint16_t kDisplayError = 0, kRegistryGlobal = 0, kCallbackDone = 0;
constexpr auto kTimeout = std::chrono::seconds(2);

// The socket's path: WAYLAND_DISPLAY as is when absolute, else under
// XDG_RUNTIME_DIR (as libwayland-client finds it). Empty when not found.
std::string SocketPath(const std::string& name) {
  if (name.front() == '/') return name;
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (!dir || !*dir) return {};
  return std::string(dir) + "/" + name;
}

class Socket {
 public:
  explicit Socket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

bool SendAll(int fd, const uint32_t* words, size_t count) {
  const auto* bytes = reinterpret_cast<const char*>(words);
  size_t left = count * sizeof(uint32_t);
  while (left > 0) {
    const ssize_t sent = send(fd, bytes, left, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes += sent;
    left -= static_cast<size_t>(sent);
  }
  return true;
}

// The interface name of a wl_registry.global event's payload, "" if malformed.
std::string GlobalInterface(const uint8_t* payload, size_t size) {
  uint32_t length = 0;
  if (size < 8) return {};
  std::memcpy(&length, payload + 4, 4);
  if (length == 0 || length > size - 8) return {};
  return std::string(reinterpret_cast<const char*>(payload + 8), length - 1);
}

}  // namespace

std::string WaylandDisplayName() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name ? name : "";
}

WaylandCompositor ProbeWaylandCompositor() {
  const std::string name = WaylandDisplayName();
  const char* handed = std::getenv("WAYLAND_SOCKET");
  if (name.empty() || (handed && *handed)) return WaylandCompositor::kNotNamed;
  const Socket socket(SocketPath(name));
  if (socket.fd() < 0) return WaylandCompositor::kNoAnswer;
  // get_registry, then sync: the registry's globals all arrive before the
  // callback's done event.
  const uint32_t request[] = {kDisplay, (12u << 16) | kDisplayGetRegistry, kRegistry,
                              kDisplay, (12u << 16) | kDisplaySync,        kCallback};
  if (!SendAll(socket.fd(), request, std::size(request))) return WaylandCompositor::kNoAnswer;

  bool seat = false;
  std::vector<uint8_t> buffer;
  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  for (;;) {
    // Whole messages at the front of the buffer: an 8-byte header (object,
    // then size << 16 | opcode), then the arguments.
    while (buffer.size() >= 8) {
      uint32_t object = 0, word = 0;
      std::memcpy(&object, buffer.data(), 4);
      std::memcpy(&word, buffer.data() + 4, 4);
      const size_t size = word >> 16;
      const uint16_t opcode = word & 0xFFFF;
      if (size < 8 || size % 4 != 0) return WaylandCompositor::kNoAnswer;
      if (buffer.size() < size) break;
      if (object == kDisplay && opcode == kDisplayError) return WaylandCompositor::kNoAnswer;
      if (object == kRegistry && opcode == kRegistryGlobal &&
          GlobalInterface(buffer.data() + 8, size - 8) == "wl_seat") {
        seat = true;
      }
      if (object == kCallback && opcode == kCallbackDone) {
        return seat ? WaylandCompositor::kUsable : WaylandCompositor::kNoSeat;
      }
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return WaylandCompositor::kNoAnswer;
    pollfd ready{socket.fd(), POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return WaylandCompositor::kNoAnswer;
    uint8_t chunk[4096];
    const ssize_t got = recv(socket.fd(), chunk, sizeof chunk, 0);
    if (got <= 0) return WaylandCompositor::kNoAnswer;
    buffer.insert(buffer.end(), chunk, chunk + got);
  }
}

bool SdlNeedsWaylandSeat() {
  // The crash of the 2.26 series (seen with 2.26.5); newer releases are
  // trusted to start without a seat.
  SDL_version linked;
  SDL_GetVersion(&linked);
  return SDL_VERSIONNUM(linked.major, linked.minor, linked.patch) < SDL_VERSIONNUM(2, 27, 0);
}

}  // namespace velmo
