// POSIX edition of the host platform's configuration library: sections held
// in memory, keyed by exact text.
#include <atomic>
#include <map>
#include <new>
#include <string>

#include "platform/settar.h"
#include "settar/settar_sections.h"

namespace {

struct Section {
  std::map<std::string, std::string, std::less<>> attributes;
};

std::atomic<size_t> g_live_sections{0};

}  // namespace

extern "C" void* configsection_create(void) {
  auto* section = new (std::nothrow) Section;
  if (section != nullptr) g_live_sections.fetch_add(1, std::memory_order_relaxed);
  return section;
}

extern "C" void* configsection_clone(const void* section) {
  if (section == nullptr) return nullptr;
  try {
    auto* copy = new Section(*static_cast<const Section*>(section));
    g_live_sections.fetch_add(1, std::memory_order_relaxed);
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" void configsection_destroy(void* section) {
  if (section == nullptr) return;
  g_live_sections.fetch_sub(1, std::memory_order_relaxed);
  delete static_cast<Section*>(section);
}

extern "C" const char* configsection_get_attrib_val(void* section, const char* key) {
  if (section == nullptr || key == nullptr) return nullptr;
  const auto& attributes = static_cast<Section*>(section)->attributes;
  auto found = attributes.find(std::string_view(key));
  return found == attributes.end() ? nullptr : found->second.c_str();
}

extern "C" int configsection_set_attrib(void* section, const char* key, const char* value) {
  if (section == nullptr || key == nullptr || value == nullptr) return SETTAR_BAD_ARGUMENT;
  try {
    static_cast<Section*>(section)->attributes.insert_or_assign(std::string(key), std::string(value));
    return SETTAR_OK;
  } catch (const std::bad_alloc&) {
    return SETTAR_NO_MEMORY;
  }
}

extern "C" size_t settar_live_sections(void) { return g_live_sections.load(); }
