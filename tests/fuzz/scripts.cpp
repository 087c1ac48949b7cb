#include "scripts.h"

#include <cstdlib>

namespace zelvar_fuzz {

using zelvar_model::CreateVariant;
using zelvar_model::FixtureMode;

Script& Script::Add(Op op) {
  ops_.push_back(std::move(op));
  return *this;
}

namespace {

Op Make(OpKind kind, int slot = 0, int32_t number = 0, int32_t number2 = 0) {
  Op op;
  op.kind = kind;
  op.slot = slot;
  op.number = number;
  op.number2 = number2;
  return op;
}

}  // namespace

Script& Script::Create(int slot, std::string type, CreateVariant variant) {
  Op op = Make(OpKind::kCreate, slot, static_cast<int32_t>(variant));
  op.key = std::move(type);
  return Add(op);
}

Script& Script::Delete(int slot) { return Add(Make(OpKind::kDelete, slot)); }

Script& Script::ResetSection(int slot) { return Add(Make(OpKind::kResetSection, slot)); }

Script& Script::Section(int slot, std::string key, std::string value) {
  Op op = Make(OpKind::kSectionSet, slot);
  op.key = std::move(key);
  op.value = std::move(value);
  return Add(op);
}

Script& Script::Context(int slot, int32_t engine_mode, bool report) {
  return Add(Make(OpKind::kSetContext, slot, engine_mode, report ? 1 : 0));
}

Script& Script::ParamId(int slot, int32_t param_id) { return Add(Make(OpKind::kSetParamId, slot, param_id)); }

Script& Script::Set(int slot, Text key, Text value, int32_t third) {
  Op op = Make(OpKind::kSetAttrib, slot, third);
  op.key = std::move(key);
  op.value = std::move(value);
  return Add(op);
}

Script& Script::SetOwn(int slot, Text key, int alias) {
  Op op = Make(OpKind::kSetAttrib, slot);
  op.key = std::move(key);
  op.value_alias = alias;
  return Add(op);
}

Script& Script::SetOwnKey(int slot, int alias, Text value) {
  Op op = Make(OpKind::kSetAttrib, slot);
  op.key_alias = alias;
  op.value = std::move(value);
  return Add(op);
}

Script& Script::Get(int slot, Text key, bool length) {
  Op op = Make(OpKind::kGetAttrib, slot);
  op.key = std::move(key);
  op.length_dest = length;
  return Add(op);
}

Script& Script::Value(int slot, bool text, bool length) {
  Op op = Make(OpKind::kGetValue, slot);
  op.text_dest = text;
  op.length_dest = length;
  return Add(op);
}

Script& Script::Current(int slot, bool text, bool length) {
  Op op = Make(OpKind::kGetCurrentValue, slot);
  op.text_dest = text;
  op.length_dest = length;
  return Add(op);
}

Script& Script::Update(int slot, int32_t flags) { return Add(Make(OpKind::kUpdateValue, slot, flags)); }

Script& Script::Reserved(int slot, int index, int32_t argument) {
  return Add(Make(OpKind::kReserved, slot, index, argument));
}

Script& Script::ParamIdRead(int slot) { return Add(Make(OpKind::kGetParamId, slot)); }

Script& Script::Mode(int fixture, FixtureMode mode) {
  return Add(Make(OpKind::kFixtureMode, 0, fixture, static_cast<int32_t>(mode)));
}

Script& Script::ArmMalloc(int32_t n) { return Add(Make(OpKind::kArmMalloc, 0, n)); }

Script& Script::ArmFallible(int32_t n) { return Add(Make(OpKind::kArmFallible, 0, n)); }

int AliasIndex(const std::string& key) {
  for (int i = 0; i < kAliasCount; ++i) {
    if (key == kAliasKeys[i]) return i;
  }
  std::abort();
}

namespace {

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

const char* const kCanonicalKeys[] = {"value",         "ParamName",     "Type",          "GenerateNewVal",
                                      "OriginalValue", "FunctionName",  "NTLibraryName", "SOLibraryName",
                                      "KTLibraryName", "AXLibraryName"};

// A slot's section with every setting, the library named as a file.
void ConfigureFully(Script& s, int slot, const World& world, const char* function) {
  s.Section(slot, "FunctionName", function)
      .Section(slot, "NTLibraryName", world.fixture_a)
      .Section(slot, "SOLibraryName", "so.so")
      .Section(slot, "KTLibraryName", "kt.so")
      .Section(slot, "AXLibraryName", "ax.so")
      .Section(slot, "OriginalValue", "original")
      .Section(slot, "ParamName", "order")
      .Section(slot, "Scope", "Global")
      .Section(slot, "net_dir", world.fixture_dir);
}

// The host's usual round on one object: values by both slots, updates with
// and without the forcing bit.
void Round(Script& s, int slot) {
  s.Value(slot).Value(slot).Update(slot, 0).Value(slot).Update(slot, 2).Update(slot, 1).Current(slot).Get(slot, "value");
}

void Policies(Script& s, const World& world) {
  ConfigureFully(s, 0, world, "FuzzValue");
  const char* const types[] = {"UserDefinedFunction", "Table", "Spreadsheet"};
  int type = 0;
  for (int32_t engine_mode : {0, 2}) {
    s.Context(0, engine_mode);
    s.ResetSection(0);
    ConfigureFully(s, 0, world, "FuzzValue");
    s.Create(0, types[type++ % 3]);  // no policy in the section
    Round(s, 0);
    for (const char* policy : {"EachOccurrence", "EachIteration", "Once"}) {
      s.Section(0, "GenerateNewVal", policy).Create(0, types[type++ % 3]);
      Round(s, 0);
    }
  }
  s.Context(0, 0).Delete(0);
}

void Attributes(Script& s, const World& world) {
  s.ResetSection(0);
  ConfigureFully(s, 0, world, "FuzzValue");
  s.Section(0, "GenerateNewVal", "Once").Create(0);
  for (const char* key : kCanonicalKeys) s.Get(0, key);
  s.Get(0, "PARAMNAME").Get(0, "type", false).Get(0, "net_dir").Get(0, "Scope").Get(0, std::nullopt);
  // The value's own keys: "value" in any case and its beginnings.
  for (const char* key : {"value", "VALUE", "va", "", "values"}) s.Set(0, key, std::string("set by ") + key).Current(0);
  // Every writable key, then the keys that write nothing.
  s.Set(0, "OriginalValue", "changed")
      .Set(0, "soLibraryName", "so2.so")
      .Set(0, "KTLibraryName", "kt2.so")
      .Set(0, "AXLIBRARYNAME", "ax2.so")
      .Set(0, "GenerateNewVal", "EachIteration")
      .Get(0, "GenerateNewVal")
      .Update(0, 0)  // still Once, and it holds a value
      .Set(0, "ParamName", "p")
      .Set(0, "Type", "t")
      .Set(0, "net_dir", "/nowhere")
      .Set(0, "Scope", "s")
      .Set(0, std::nullopt, "x")
      .Set(0, "value", std::nullopt);
  for (const char* key : kCanonicalKeys) s.Get(0, key);
  // Texts the object handed out, given back to it.
  s.SetOwn(0, "value", AliasIndex("value"))
      .SetOwn(0, "FunctionName", AliasIndex("FunctionName"))
      .SetOwn(0, "value", AliasIndex("OriginalValue"))
      .SetOwn(0, "SOLibraryName", AliasIndex("Type"))
      .Set(0, "KTLibraryName", "ktlibraryname")
      .SetOwnKey(0, AliasIndex("KTLibraryName"), "kt3.so")
      .Set(0, "FunctionName", "FunctionName")
      .SetOwnKey(0, AliasIndex("FunctionName"), "FunctionName")
      .Current(0)
      .Value(0, false, false)
      .Current(0, false, true)
      .Get(0, "VALUE", false);
  for (int index = 0; index < 6; ++index) s.Reserved(0, index, index - 3);
  s.ParamIdRead(0).ParamId(0, 99).ParamIdRead(0).Delete(0);
}

void Rebinding(Script& s, const World& world) {
  s.ResetSection(1);
  s.Section(1, "FunctionName", "FuzzConst")
      .Section(1, "NTLibraryName", BaseName(world.fixture_b))
      .Section(1, "net_dir", world.fixture_dir + "/")
      .Section(1, "GenerateNewVal", "EachIteration")
      .Create(1)
      .Value(1)
      .Set(1, "FunctionName", "FuzzValue")
      .Update(1, 0)
      .Set(1, "NTLibraryName", world.fixture_a)
      .Update(1, 0)
      .Set(1, "NTLibraryName", "libmissing.so")  // no path: the binding stays
      .Update(1, 0)
      .Set(1, "functionname", "")  // no name: the binding stays
      .Update(1, 0)
      .Set(1, "FunctionName", "Missing")
      .Update(1, 0)
      .Set(1, "NTLibraryName", world.not_a_library)
      .Update(1, 0)
      .Set(1, "NTLibraryName", BaseName(world.fixture_a))
      .Update(1, 0)
      .Set(1, "FunctionName", "FuzzValue")
      .Update(1, 0)
      .Set(1, "NTLIBRARYNAME", world.fixture_b)
      .Update(1, 0);
  // Every way a value function can answer.
  for (FixtureMode mode : {FixtureMode::kNull, FixtureMode::kThrow, FixtureMode::kEmpty, FixtureMode::kLong,
                           FixtureMode::kThrowInt, FixtureMode::kCount}) {
    s.Mode(1, mode).Value(1).Update(1, 0).Get(1, "value");
  }
  s.Context(1, 0, false).Mode(1, FixtureMode::kThrow).Update(1, 1).Context(1, 0, true).Mode(1, FixtureMode::kCount);
  s.Delete(1);
}

void Unconfigured(Script& s) {
  s.ResetSection(2).Context(2, 2).Create(2).Value(2).Update(2, 1).Get(2, "value");
  for (const char* key : kCanonicalKeys) s.Get(2, key);
  s.Context(2, 0)
      .Create(2, "Table", CreateVariant::kNullSection)
      .Set(2, "FunctionName", "FuzzValue")
      .Value(2)
      .Create(2, "x", CreateVariant::kNullRecord)
      .Create(2, "x", CreateVariant::kNullContext)
      .Create(2, "x", CreateVariant::kNullType)
      .Delete(2);
}

}  // namespace

std::vector<Op> LifecycleScript(const World& world) {
  Script s;
  // Three objects alive at once for part of the way.
  s.Section(2, "FunctionName", "FuzzConst").Section(2, "NTLibraryName", world.fixture_b).Create(2).Value(2);
  Policies(s, world);
  Attributes(s, world);
  Rebinding(s, world);
  Unconfigured(s);
  return s.ops();
}

std::vector<std::pair<std::string, std::vector<Op>>> SeedScripts(const World& world) {
  std::vector<std::pair<std::string, std::vector<Op>>> seeds;
  seeds.emplace_back("lifecycle", LifecycleScript(world));
  {
    Script s;
    Policies(s, world);
    seeds.emplace_back("policies", s.ops());
  }
  {
    Script s;
    Attributes(s, world);
    seeds.emplace_back("attributes", s.ops());
  }
  {
    Script s;
    Rebinding(s, world);
    seeds.emplace_back("rebinding", s.ops());
  }
  {
    Script s;
    Unconfigured(s);
    seeds.emplace_back("unconfigured", s.ops());
  }
  {
    // Faults landing in creation, in a generation and in a rebinding.
    Script s;
    ConfigureFully(s, 0, world, "FuzzValue");
    s.ArmMalloc(2).Create(0).Get(0, "Type").ArmFallible(3).Create(0).Value(0);
    s.ArmFallible(1).Value(0).Value(0).ArmFallible(2).Set(0, "FunctionName", "FuzzConst").Update(0, 1);
    s.ArmMalloc(1).Create(1).Value(1);
    seeds.emplace_back("faults", s.ops());
  }
  return seeds;
}

}  // namespace zelvar_fuzz
