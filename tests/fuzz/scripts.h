// Scripts of host operations for the differential harness: the lifecycle
// that the fault-injection test replays once per call site, and the fuzzer's
// seeds.
#ifndef ZELVAR_TESTS_FUZZ_SCRIPTS_H_
#define ZELVAR_TESTS_FUZZ_SCRIPTS_H_

#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace zelvar_fuzz {

// Builds a list of operations, one call per operation.
class Script {
 public:
  Script& Create(int slot, std::string type = "UserDefinedFunction",
                 zelvar_model::CreateVariant variant = zelvar_model::CreateVariant::kNormal);
  Script& Delete(int slot);
  Script& ResetSection(int slot);
  Script& Section(int slot, std::string key, std::string value);
  Script& Context(int slot, int32_t engine_mode, bool report = true);
  Script& ParamId(int slot, int32_t param_id);
  Script& Set(int slot, Text key, Text value, int32_t third = 0);
  // Sets `key` to the object's own current text for kAliasKeys[alias].
  Script& SetOwn(int slot, Text key, int alias);
  // Sets the key that is the object's own current text for
  // kAliasKeys[alias] to `value`.
  Script& SetOwnKey(int slot, int alias, Text value);
  Script& Get(int slot, Text key, bool length = true);
  Script& Value(int slot, bool text = true, bool length = true);
  Script& Current(int slot, bool text = true, bool length = true);
  Script& Update(int slot, int32_t flags);
  Script& Reserved(int slot, int index, int32_t argument);
  Script& ParamIdRead(int slot);
  Script& Mode(int fixture, zelvar_model::FixtureMode mode);
  Script& ArmMalloc(int32_t n);
  Script& ArmFallible(int32_t n);

  const std::vector<Op>& ops() const { return ops_; }

 private:
  Script& Add(Op op);
  std::vector<Op> ops_;
};

// Creation under each policy and both engine modes, values, every attribute
// set and read, rebinding, table-like type texts, failing value functions,
// deletion: every call the plug-in makes to a fallible platform function.
std::vector<Op> LifecycleScript(const World& world);

// Named seeds for the fuzzer's corpus, the lifecycle among them.
std::vector<std::pair<std::string, std::vector<Op>>> SeedScripts(const World& world);

int AliasIndex(const std::string& key);

}  // namespace zelvar_fuzz

#endif  // ZELVAR_TESTS_FUZZ_SCRIPTS_H_
