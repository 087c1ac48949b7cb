#include "model.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <utility>

namespace zelvar_model {
namespace {

constexpr int32_t kUnsupported = -1;
constexpr int32_t kGenerateFailed = -13650;
constexpr int32_t kGenerateFailedMessage = 0x70030020;
constexpr int32_t kLiveEngineMode = 2;
// What settar answers for a write without a section.
constexpr int32_t kSettarBadArgument = -1;

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// "value", "VALUE", "va", "" ...: the key, compared over its own length.
bool BeginsValue(const std::string& key) {
  static const std::string kValue = "value";
  return key.size() <= kValue.size() && EqualIgnoringCase(key, kValue.substr(0, key.size()));
}

bool IsSet(const Text& text) { return text.has_value() && !text->empty(); }

// The platform's file test: a regular file, or a link to one.
bool IsFile(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The platform's net path: the directory without its trailing slashes, one
// slash, the name.
std::string JoinNetPath(const std::string& net_dir, const std::string& name) {
  size_t length = net_dir.size();
  while (length > 1 && net_dir[length - 1] == '/') --length;
  const bool root = length == 1 && net_dir[0] == '/';
  return net_dir.substr(0, length) + (root ? "" : "/") + name;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::string();
  std::string result(real);
  std::free(real);
  return result;
}

}  // namespace

std::string FixtureCountText(const std::string& tag, int call) { return tag + std::to_string(call); }

std::string FixtureLongText(const std::string& tag, int call) {
  return std::string(5000, tag.empty() ? '-' : tag[0]) + std::to_string(call);
}

std::string FixtureConstText(const std::string& tag) { return "const-" + tag; }

Model::Model(std::vector<FixtureLibrary> fixtures)
    : fixtures_(std::move(fixtures)),
      fixture_calls_(fixtures_.size(), 0),
      fixture_modes_(fixtures_.size(), FixtureMode::kCount) {
  for (const FixtureLibrary& fixture : fixtures_) fixture_real_paths_.push_back(RealPath(fixture.path));
}

// ---- host side

void Model::ResetSection(int slot) {
  Delete(slot);
  hosts_[slot].section.clear();
}

void Model::SectionSet(int slot, const std::string& key, const std::string& value) {
  hosts_[slot].section[key] = value;
}

void Model::SetContext(int slot, int32_t engine_mode, bool report) {
  hosts_[slot].engine_mode = engine_mode;
  hosts_[slot].report = report;
}

void Model::SetParamId(int slot, int32_t param_id) { hosts_[slot].param_id = param_id; }

void Model::SetFixtureMode(int fixture, FixtureMode mode) { fixture_modes_[fixture] = mode; }

// ---- platform calls

bool Model::MallocFails(const char* site) {
  ++malloc_calls_;
  if (malloc_countdown_ == 0) return false;
  if (--malloc_countdown_ != 0) return false;
  fired_site_ = std::string("maw_malloc ") + site;
  return true;
}

bool Model::FallibleFails(const char* site) {
  ++fallible_calls_;
  if (fallible_countdown_ == 0) return false;
  if (--fallible_countdown_ != 0) return false;
  fired_site_ = site;
  return true;
}

void Model::ArmMalloc(size_t n) {
  malloc_countdown_ = n;
  fired_site_.clear();
}

void Model::ArmFallible(size_t n) {
  fallible_countdown_ = n;
  fired_site_.clear();
}

Text Model::Strdup(const std::string& text, const char* site) {
  if (FallibleFails(site)) return std::nullopt;
  return text;
}

Text Model::SectionGet(const Object& object, int slot, const std::string& key) const {
  if (!object.has_section) return std::nullopt;
  const auto& section = hosts_[slot].section;
  auto found = section.find(key);
  if (found == section.end()) return std::nullopt;
  return found->second;
}

int32_t Model::SectionWrite(int slot, const std::string& key, const std::string& value) {
  if (!objects_[slot]->has_section) return kSettarBadArgument;
  hosts_[slot].section[key] = value;
  return 0;
}

std::optional<int> Model::LoadableFixture(const std::string& path) const {
  if (!IsFile(path)) return std::nullopt;
  const std::string real = RealPath(path);
  for (size_t i = 0; i < fixture_real_paths_.size(); ++i) {
    if (!real.empty() && real == fixture_real_paths_[i]) return static_cast<int>(i);
  }
  return std::nullopt;
}

// ---- the parameter object

bool Model::Create(int slot, CreateVariant variant, const Text& type_name) {
  Delete(slot);
  if (variant == CreateVariant::kNullRecord || variant == CreateVariant::kNullContext ||
      variant == CreateVariant::kNullType || !type_name.has_value()) {
    return false;
  }
  if (MallocFails("for the object")) return false;
  const HostSlot& host = hosts_[slot];
  Object& object = objects_[slot].emplace();
  object.blocks = 1;
  if (!MallocFails("for the type text")) {
    object.type_name = type_name;
    ++object.blocks;
  }
  object.param_id = host.param_id;
  object.has_section = variant != CreateVariant::kNullSection;
  object.live = host.engine_mode == kLiveEngineMode;

  auto copy_setting = [&](const char* key, const char* site) -> Text {
    Text text = SectionGet(object, slot, key);
    return text.has_value() ? Strdup(*text, site) : std::nullopt;
  };
  object.function_name = copy_setting("FunctionName", "os_strdup of FunctionName at creation");
  object.nt_library_name = copy_setting("NTLibraryName", "os_strdup of NTLibraryName at creation");
  ResolveLibraryPath(slot, object.nt_library_name);
  object.so_library_name = copy_setting("SOLibraryName", "os_strdup of SOLibraryName at creation");
  object.kt_library_name = copy_setting("KTLibraryName", "os_strdup of KTLibraryName at creation");
  object.ax_library_name = copy_setting("AXLibraryName", "os_strdup of AXLibraryName at creation");
  LoadFunction(object);

  object.policy = Policy::kEachOccurrence;
  if (Text policy = SectionGet(object, slot, "GenerateNewVal")) {
    if (EqualIgnoringCase(*policy, "EachOccurrence")) object.policy = Policy::kEachOccurrence;
    if (EqualIgnoringCase(*policy, "EachIteration")) object.policy = Policy::kEachIteration;
    if (EqualIgnoringCase(*policy, "Once")) object.policy = Policy::kOnce;
  }
  if (host.engine_mode == kLiveEngineMode) UpdateValue(slot, 0);
  return true;
}

void Model::Delete(int slot) { objects_[slot].reset(); }

// A missing name resolves to no path without asking the platform.
void Model::ResolveLibraryPath(int slot, const Text& name) {
  Object& object = *objects_[slot];
  object.library_path.reset();
  if (!name.has_value()) return;
  if (IsFile(*name)) {
    object.library_path = Strdup(*name, "os_strdup of a library path that names a file");
    return;
  }
  const Text net_dir = SectionGet(object, slot, "net_dir");
  if (FallibleFails("os_qvnetpath_create_net_path")) return;
  if (name->empty() || !IsSet(net_dir)) return;
  const std::string joined = JoinNetPath(*net_dir, *name);
  if (!IsFile(joined)) return;
  object.library_path = Strdup(joined, "os_strdup of a net path");
}

void Model::LoadFunction(Object& object) {
  if (!IsSet(object.library_path) || !IsSet(object.function_name)) return;
  object.function.reset();
  object.library.reset();
  if (FallibleFails("os_load_library")) return;
  object.library = LoadableFixture(*object.library_path);
  if (!object.library.has_value()) return;
  if (FallibleFails("os_get_proc_address")) return;
  if (*object.function_name == "FuzzValue") object.function = ModelBound{*object.library, true};
  if (*object.function_name == "FuzzConst") object.function = ModelBound{*object.library, false};
}

int32_t Model::GenerateValue(int slot) {
  Object& object = *objects_[slot];
  object.value.reset();
  if (object.function.has_value()) {
    const int fixture = object.function->fixture;
    const std::string& tag = fixtures_[fixture].tag;
    const int call = ++fixture_calls_[fixture];
    Text returned;
    bool threw = false;
    if (!object.function->counting) {
      returned = FixtureConstText(tag);
    } else {
      switch (fixture_modes_[fixture]) {
        case FixtureMode::kCount: returned = FixtureCountText(tag, call); break;
        case FixtureMode::kNull: break;
        case FixtureMode::kThrow:
        case FixtureMode::kThrowInt: threw = true; break;
        case FixtureMode::kEmpty: returned = std::string(); break;
        case FixtureMode::kLong: returned = FixtureLongText(tag, call); break;
      }
    }
    if (!threw) {
      if (returned.has_value()) object.value = Strdup(*returned, "os_strdup of a generated value");
      return 0;
    }
  }
  if (hosts_[slot].report) {
    reports_.push_back({kGenerateFailedMessage, kGenerateFailed, object.param_id, object.function_name,
                        object.library_path});
  }
  return kGenerateFailed;
}

int32_t Model::GetParamId(int slot) const { return objects_[slot]->param_id; }

Handed Model::GetValue(int slot) {
  Object& object = *objects_[slot];
  Handed handed;
  if (!object.value.has_value() || (object.live && object.policy == Policy::kEachOccurrence)) {
    handed.result = GenerateValue(slot);
  }
  handed.text = object.value;
  handed.length = object.value.has_value() ? static_cast<int32_t>(object.value->size()) : 0;
  return handed;
}

Handed Model::GetCurrentValue(int slot) const {
  const Object& object = *objects_[slot];
  Handed handed;
  handed.text = object.value;
  handed.length = object.value.has_value() ? static_cast<int32_t>(object.value->size()) : 0;
  return handed;
}

int32_t Model::UpdateValue(int slot, int32_t flags) {
  const Object& object = *objects_[slot];
  const bool forced = (flags & 1) != 0;
  const bool first_once = !object.value.has_value() && object.policy != Policy::kEachOccurrence;
  if (forced || object.policy == Policy::kEachIteration || first_once) return GenerateValue(slot);
  return 0;
}

int32_t Model::SetAttrib(int slot, const Text& key, const Text& value) {
  if (!key.has_value() || !value.has_value()) return kUnsupported;
  Object& object = *objects_[slot];
  if (BeginsValue(*key)) {
    object.value = Strdup(*value, "os_strdup of a value set by the host");
    return 0;
  }
  struct Row {
    const char* key;
    Text Object::*field;
  };
  static const Row kRows[] = {
      {"OriginalValue", nullptr},
      {"FunctionName", &Object::function_name},
      {"NTLibraryName", &Object::nt_library_name},
      {"SOLibraryName", &Object::so_library_name},
      {"KTLibraryName", &Object::kt_library_name},
      {"AXLibraryName", &Object::ax_library_name},
      {"GenerateNewVal", nullptr},
  };
  for (const Row& row : kRows) {
    if (!EqualIgnoringCase(*key, row.key)) continue;
    if (row.field != nullptr) object.*row.field = Strdup(*value, "os_strdup of a name set by the host");
    const int32_t result = SectionWrite(slot, *key, *value);
    const std::string canonical = row.key;
    if (canonical == "NTLibraryName") ResolveLibraryPath(slot, object.nt_library_name);
    if (canonical == "NTLibraryName" || canonical == "FunctionName") LoadFunction(object);
    return result;
  }
  return 0;
}

Text Model::GetAttrib(int slot, const Text& key, int32_t* length) {
  if (!key.has_value()) return std::nullopt;
  if (EqualIgnoringCase(*key, "value")) {
    Handed handed = GetValue(slot);
    if (length != nullptr) *length = handed.length;
    return handed.text;
  }
  static const char* const kKeys[] = {"ParamName",     "Type",          "FunctionName",
                                      "NTLibraryName", "SOLibraryName", "KTLibraryName",
                                      "AXLibraryName", "GenerateNewVal", "OriginalValue"};
  for (const char* canonical : kKeys) {
    if (EqualIgnoringCase(*key, canonical)) return Field(slot, canonical);
  }
  return std::nullopt;
}

Text Model::Field(int slot, const std::string& key) const {
  const Object& object = *objects_[slot];
  if (key == "ParamName" || key == "GenerateNewVal" || key == "OriginalValue") return SectionGet(object, slot, key);
  if (key == "Type") return object.type_name;
  if (key == "FunctionName") return object.function_name;
  if (key == "NTLibraryName") return object.nt_library_name;
  if (key == "SOLibraryName") return object.so_library_name;
  if (key == "KTLibraryName") return object.kt_library_name;
  if (key == "AXLibraryName") return object.ax_library_name;
  return std::nullopt;
}

// ---- ledgers

size_t Model::LiveBlocks() const {
  size_t blocks = 0;
  for (const auto& object : objects_) {
    if (object.has_value()) blocks += object->blocks;
  }
  return blocks;
}

size_t Model::LiveCopies() const {
  size_t copies = 0;
  for (const auto& object : objects_) {
    if (!object.has_value()) continue;
    for (const Text* text : {&object->value, &object->function_name, &object->nt_library_name,
                             &object->so_library_name, &object->kt_library_name, &object->ax_library_name,
                             &object->library_path}) {
      if (text->has_value()) ++copies;
    }
  }
  return copies;
}

size_t Model::LiveLibraries() const {
  size_t libraries = 0;
  for (const auto& object : objects_) {
    if (object.has_value() && object->library.has_value()) ++libraries;
  }
  return libraries;
}

}  // namespace zelvar_model
