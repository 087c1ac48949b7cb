// A reference model of the user-defined-function parameter, written from the
// documented rules alone: which call generates a value, what each slot
// returns, which platform calls are made and in which order, which texts and
// libraries are held, and when the host hears of a failure. It shares no code
// with the plug-in; the differential harness drives both with the same
// operations and stops at the first difference.
//
// The model also predicts every call that the platform libraries can be made
// to fail (maw_malloc; os_strdup, os_load_library, os_get_proc_address and the
// net-path builder), so an armed fault lands on the same call in both.
#ifndef ZELVAR_TESTS_FUZZ_MODEL_H_
#define ZELVAR_TESTS_FUZZ_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvar_model {

// A text, or nullopt for a null pointer.
using Text = std::optional<std::string>;

// What the fixture's value functions do when called. Every call counts,
// whatever the mode.
enum class FixtureMode : int {
  kCount = 0,     // the library's tag and the call's number, "a1", "a2", ...
  kNull = 1,      // null
  kThrow = 2,     // throws a std::exception
  kEmpty = 3,     // ""
  kLong = 4,      // a text of several kilobytes ending in the call's number
  kThrowInt = 5,  // throws an int
};
constexpr int kFixtureModes = 6;

// The text a fixture's FuzzValue returns in kCount and kLong modes, and
// FuzzConst always.
std::string FixtureCountText(const std::string& tag, int call);
std::string FixtureLongText(const std::string& tag, int call);
std::string FixtureConstText(const std::string& tag);

// One value-function library of the fixture.
struct FixtureLibrary {
  std::string path;  // as built; the model matches loads by the real path
  std::string tag;   // what sets its texts apart from the other library's
};

struct Report {
  int32_t message_id;
  int32_t error_code;
  int32_t param_id;
  Text function_name;
  Text library_path;
  bool operator==(const Report&) const = default;
};

// How the host asks for an object.
enum class CreateVariant : int {
  kNormal = 0,
  kNullRecord = 1,
  kNullContext = 2,
  kNullType = 3,
  kNullSection = 4,  // a record whose section handle is null
};
constexpr int kCreateVariants = 5;

// What a value slot hands out.
struct Handed {
  int32_t result = 0;
  Text text;
  int32_t length = 0;
};

// The model's state of one object and of one host slot.
enum class ModelPolicy : int32_t { kEachOccurrence = 0, kEachIteration = 1, kOnce = 2 };
struct ModelBound {
  int fixture;
  bool counting;  // FuzzValue (mode-driven) rather than FuzzConst
};
struct ModelObject {
  int32_t param_id = 0;
  bool live = false;
  bool has_section = true;
  ModelPolicy policy = ModelPolicy::kEachOccurrence;
  Text type_name;
  size_t blocks = 0;
  Text value;
  Text function_name, nt_library_name, so_library_name, kt_library_name, ax_library_name;
  Text library_path;
  std::optional<int> library;  // the fixture loaded, if any
  std::optional<ModelBound> function;
};
struct ModelHost {
  std::map<std::string, std::string> section;
  int32_t engine_mode = 0;
  bool report = true;
  int32_t param_id = 0;
};

class Model {
 public:
  static constexpr int kSlots = 3;

  explicit Model(std::vector<FixtureLibrary> fixtures);

  // ---- the host's side: configuration, record and context of each slot.
  void ResetSection(int slot);
  void SectionSet(int slot, const std::string& key, const std::string& value);
  void SetContext(int slot, int32_t engine_mode, bool report);
  void SetParamId(int slot, int32_t param_id);
  void SetFixtureMode(int fixture, FixtureMode mode);

  // ---- the entry points and slots. A slot without an object is not called.
  bool HasObject(int slot) const { return objects_[slot].has_value(); }
  bool Create(int slot, CreateVariant variant, const Text& type_name);
  void Delete(int slot);
  int32_t GetParamId(int slot) const;
  int32_t SetAttrib(int slot, const Text& key, const Text& value);
  // `length` is written only when the rules say so (it may be left as is).
  Text GetAttrib(int slot, const Text& key, int32_t* length);
  Handed GetValue(int slot);
  Handed GetCurrentValue(int slot) const;
  int32_t UpdateValue(int slot, int32_t flags);

  // ---- faults. The `n`th maw_malloc (or fallible halvern32 call) from now
  // fails; 0 disarms. Stays armed until it fires.
  void ArmMalloc(size_t n);
  void ArmFallible(size_t n);
  // Where the armed fault fired, empty while it has not.
  const std::string& fired_site() const { return fired_site_; }

  // ---- what can be compared with the platform libraries' ledgers.
  size_t malloc_calls() const { return malloc_calls_; }
  size_t fallible_calls() const { return fallible_calls_; }
  size_t LiveBlocks() const;
  size_t LiveCopies() const;
  size_t LiveLibraries() const;
  int FixtureCalls(int fixture) const { return fixture_calls_[fixture]; }
  const std::vector<Report>& reports() const { return reports_; }

  // The object's own texts, as GetAttrib hands them out without side effects.
  Text Field(int slot, const std::string& canonical_key) const;

 private:
  using Policy = ModelPolicy;
  using Object = ModelObject;
  using HostSlot = ModelHost;

  // Platform calls as the plug-in makes them.
  bool MallocFails(const char* site);
  bool FallibleFails(const char* site);
  Text Strdup(const std::string& text, const char* site);
  Text SectionGet(const Object& object, int slot, const std::string& key) const;
  int32_t SectionWrite(int slot, const std::string& key, const std::string& value);
  std::optional<int> LoadableFixture(const std::string& path) const;

  void ResolveLibraryPath(int slot, const Text& name);
  void LoadFunction(Object& object);
  int32_t GenerateValue(int slot);

  std::vector<FixtureLibrary> fixtures_;
  std::vector<std::string> fixture_real_paths_;
  std::vector<int> fixture_calls_;
  std::vector<FixtureMode> fixture_modes_;
  HostSlot hosts_[kSlots];
  std::optional<Object> objects_[kSlots];
  std::vector<Report> reports_;

  size_t malloc_calls_ = 0;
  size_t fallible_calls_ = 0;
  size_t malloc_countdown_ = 0;
  size_t fallible_countdown_ = 0;
  std::string fired_site_;
};

}  // namespace zelvar_model

#endif  // ZELVAR_TESTS_FUZZ_MODEL_H_
