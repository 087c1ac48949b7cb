// The differential harness: a sequence of host operations on a few parameter
// objects, run on the plug-in and on the reference model side by side. After
// every operation it compares what each slot returned, the texts handed out,
// the failure reports, the calls of the value functions, the platform calls
// made and the platform ledgers; the first difference ends the run.
//
// Operations come from a script (the fault-injection test, the seeds) or are
// decoded from arbitrary bytes (the fuzzer). Encode is the inverse of Decode
// for every operation that Decode can produce.
#ifndef ZELVAR_TESTS_FUZZ_HARNESS_H_
#define ZELVAR_TESTS_FUZZ_HARNESS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model.h"
#include "zelvar/paramext.h"

namespace zelvar_fuzz {

using zelvar_model::Text;

// Where the fixture value-function libraries are.
struct World {
  std::string fixture_a;      // exports FuzzValue and FuzzConst, tag "a"
  std::string fixture_b;      // the same, tag "b"
  std::string fixture_dir;    // the folder that holds both
  std::string not_a_library;  // a file that is not a loadable library
};

// The world of this build, from the paths CMake passes in.
World BuildWorld();

enum class OpKind : uint8_t {
  kCreate,           // key: type text; number: CreateVariant
  kDelete,
  kResetSection,     // deletes the slot's object, then empties its section
  kSectionSet,       // the host writes key = value into the slot's section
  kSetContext,       // number: engine_mode; number2: report_error set (1) or null (0)
  kSetParamId,       // number: the record's param_id
  kSetAttrib,        // key (or key_alias), value (or value_alias), number: third argument
  kGetAttrib,        // key; length_dest
  kGetValue,         // text_dest, length_dest
  kGetCurrentValue,  // text_dest, length_dest
  kUpdateValue,      // number: flags
  kReserved,         // number: index into kReservedSlots; number2: argument
  kGetParamId,
  kFixtureMode,      // number: fixture (0, 1); number2: FixtureMode
  kArmMalloc,        // number: the nth maw_malloc from now fails
  kArmFallible,      // number: the nth fallible halvern32 call from now fails
  kCount
};

// The reserved slots, all answering -1.
constexpr int kReservedSlots[] = {2, 4, 8, 9, 10, 11};

// Keys whose current text a kSetAttrib may pass back as its key or value, so
// that the object receives a pointer into its own storage.
constexpr const char* kAliasKeys[] = {"value",         "FunctionName",  "NTLibraryName", "SOLibraryName",
                                      "KTLibraryName", "AXLibraryName", "Type",          "OriginalValue",
                                      "GenerateNewVal", "ParamName"};
constexpr int kAliasCount = sizeof(kAliasKeys) / sizeof(kAliasKeys[0]);

struct Op {
  OpKind kind = OpKind::kGetValue;
  int slot = 0;
  Text key;
  Text value;
  // kSetAttrib: >= 0 takes the key or the value from the object's own text
  // for kAliasKeys[n].
  int key_alias = -1;
  int value_alias = -1;
  int32_t number = 0;
  int32_t number2 = 0;
  bool text_dest = true;
  bool length_dest = true;
  bool operator==(const Op&) const = default;
};

std::string Describe(const Op& op);

// The vocabularies that Decode draws texts from, most of the time: the real
// keys, the fixture's paths and names, the policy texts, the type texts.
struct Vocabulary {
  std::vector<std::string> keys;
  std::vector<std::string> values;
  std::vector<std::string> types;
};
Vocabulary BuildVocabulary(const World& world);

std::vector<Op> Decode(const uint8_t* data, size_t size, const Vocabulary& vocabulary);
std::vector<uint8_t> Encode(const std::vector<Op>& ops, const Vocabulary& vocabulary);

class Differential {
 public:
  explicit Differential(World world);
  ~Differential();
  Differential(const Differential&) = delete;
  Differential& operator=(const Differential&) = delete;

  // Runs the operations from a clean state and cleans up afterwards. Returns
  // the first difference, or nullopt when plug-in and model agreed
  // throughout and everything was given back.
  std::optional<std::string> Run(const std::vector<Op>& ops);

  // Of the last run: where the armed fault fired ("" when none did), and the
  // platform calls the plug-in made.
  const std::string& fired_site() const { return fired_site_; }
  size_t malloc_calls() const { return malloc_calls_; }
  size_t fallible_calls() const { return fallible_calls_; }

 private:
  struct Slot {
    void* section = nullptr;
    ParamHostContext context{};
    ParamHostRecord record{};
    CParamExt* object = nullptr;
  };
  struct FixtureControl {
    void* handle = nullptr;
    int (*calls)() = nullptr;
    void (*reset)() = nullptr;
    void (*set_mode)(int) = nullptr;
  };

  std::optional<std::string> Step(const Op& op, zelvar_model::Model& model);
  std::optional<std::string> Compare(zelvar_model::Model& model);
  void CleanUp();

  World world_;
  FixtureControl fixtures_[2];
  Slot slots_[zelvar_model::Model::kSlots];
  std::string fired_site_;
  size_t malloc_calls_ = 0;
  size_t fallible_calls_ = 0;
  size_t reports_seen_ = 0;
};

}  // namespace zelvar_fuzz

#endif  // ZELVAR_TESTS_FUZZ_HARNESS_H_
