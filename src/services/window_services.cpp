#include "services/window_services.hpp"

#include "services/memory_window_services.hpp"

namespace orthelev {

namespace {

struct InstalledServices {
  MemoryWindowServices fallback;
  WindowServices* current = nullptr;
};

InstalledServices& Installed() {
  static InstalledServices installed;
  return installed;
}

}  // namespace

WindowServices& Window() {
  InstalledServices& s = Installed();
  return s.current ? *s.current : s.fallback;
}

void InstallWindowServices(WindowServices* services) { Installed().current = services; }

}  // namespace orthelev
