#include "platform/Display.h"

#include <cstdlib>
#include <string_view>

namespace plat {

bool displayAvailable() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != 0;
  };
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string_view p = platform ? platform : "";
  if (p.empty()) return set("DISPLAY") || set("WAYLAND_DISPLAY");
  if (p.rfind("xcb", 0) == 0) return set("DISPLAY");
  if (p.rfind("wayland", 0) == 0) return set("WAYLAND_DISPLAY");
  return true;
}

}  // namespace plat
