#include "harness.h"

#include <dlfcn.h>
#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "halvern32/halvern32_ledger.h"
#include "platform/settar.h"
#include "quenby/quenby_ledger.h"
#include "settar/settar_sections.h"
#include "zelvar/entry.h"

namespace zelvar_fuzz {
namespace {

using zelvar_model::CreateVariant;
using zelvar_model::FixtureMode;
using zelvar_model::Handed;
using zelvar_model::Model;

constexpr size_t kMaxOps = 400;
constexpr int32_t kUntouchedLength = 0x5A5A5A5A;
// Stands in a text destination until the slot writes it.
const char kUntouchedText[] = "(untouched)";

// The keys read back after every operation; "value" is read through
// GetCurrentValue, which has no side effects.
constexpr const char* kProbeKeys[] = {"ParamName",     "Type",          "FunctionName",
                                      "NTLibraryName", "SOLibraryName", "KTLibraryName",
                                      "AXLibraryName", "GenerateNewVal", "OriginalValue"};

std::vector<zelvar_model::Report>& Reports() {
  static std::vector<zelvar_model::Report> reports;
  return reports;
}

Text AsText(const char* text) { return text != nullptr ? Text(text) : std::nullopt; }

int RecordReport(int32_t message_id, int32_t error_code, int32_t param_id, const char* function_name,
                 const char* library_path) {
  Reports().push_back({message_id, error_code, param_id, AsText(function_name), AsText(library_path)});
  return 0;
}

std::string Show(const Text& text) {
  if (!text.has_value()) return "null";
  std::string shown;
  for (char c : text->substr(0, 60)) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isprint(byte)) {
      shown += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    }
  }
  if (text->size() > 60) shown += "...(" + std::to_string(text->size()) + " bytes)";
  return "\"" + shown + "\"";
}

std::string Show(const zelvar_model::Report& report) {
  std::ostringstream out;
  out << "{" << std::hex << report.message_id << std::dec << ", " << report.error_code << ", " << report.param_id
      << ", " << Show(report.function_name) << ", " << Show(report.library_path) << "}";
  return out.str();
}

template <typename T>
std::optional<std::string> Differ(const char* what, const T& plugin, const T& model) {
  if (plugin == model) return std::nullopt;
  std::ostringstream out;
  out << what << ": plug-in " << plugin << ", model " << model;
  return out.str();
}

std::optional<std::string> DifferText(const char* what, const Text& plugin, const Text& model) {
  if (plugin == model) return std::nullopt;
  return std::string(what) + ": plug-in " + Show(plugin) + ", model " + Show(model);
}

const char* KindName(OpKind kind) {
  switch (kind) {
    case OpKind::kCreate: return "Create";
    case OpKind::kDelete: return "Delete";
    case OpKind::kResetSection: return "ResetSection";
    case OpKind::kSectionSet: return "SectionSet";
    case OpKind::kSetContext: return "SetContext";
    case OpKind::kSetParamId: return "SetParamId";
    case OpKind::kSetAttrib: return "SetAttrib";
    case OpKind::kGetAttrib: return "GetAttrib";
    case OpKind::kGetValue: return "GetValue";
    case OpKind::kGetCurrentValue: return "GetCurrentValue";
    case OpKind::kUpdateValue: return "UpdateValue";
    case OpKind::kReserved: return "Reserved";
    case OpKind::kGetParamId: return "GetParamId";
    case OpKind::kFixtureMode: return "FixtureMode";
    case OpKind::kArmMalloc: return "ArmMalloc";
    case OpKind::kArmFallible: return "ArmFallible";
    case OpKind::kCount: break;
  }
  return "?";
}

// ---- byte decoding

// Reads the input front to back; past its end every byte reads as 0.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int32_t Int32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
    return static_cast<int32_t>(value);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A text is one of: a vocabulary word with a variant byte (as it is, in
// mixed letter case, or cut to a prefix), raw bytes, a long run of one
// character, or null.
constexpr uint8_t kTextNull = 0xFF;
constexpr uint8_t kTextRun = 0xFE;
constexpr uint8_t kTextRaw = 0xE0;  // 0xE0 to 0xFD

Text ReadText(Reader& in, const std::vector<std::string>& words) {
  const uint8_t tag = in.Byte();
  if (tag == kTextNull) return std::nullopt;
  if (tag == kTextRun) {
    char c = static_cast<char>(in.Byte());
    if (c == '\0') c = 'r';
    return std::string((static_cast<size_t>(in.Byte()) + 1) * 32, c);
  }
  if (tag >= kTextRaw) {
    const size_t length = in.Byte();
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      const char c = static_cast<char>(in.Byte());
      if (c != '\0') text += c;
    }
    return text;
  }
  std::string text = words[tag % words.size()];
  const uint8_t variant = in.Byte();
  if (variant >= 0xC0) {
    text.resize((variant - 0xC0u) % (text.size() + 1));
  } else if (variant >= 0x80) {
    for (size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (std::isalpha(c) && ((variant >> (i % 6)) & 1) != 0) {
        text[i] = static_cast<char>(std::islower(c) ? std::toupper(c) : std::tolower(c));
      }
    }
  }
  return text;
}

void WriteText(std::vector<uint8_t>& out, const Text& text, const std::vector<std::string>& words) {
  if (!text.has_value()) {
    out.push_back(kTextNull);
    return;
  }
  for (size_t i = 0; i < words.size() && i < kTextRaw; ++i) {
    if (words[i] == *text) {
      out.push_back(static_cast<uint8_t>(i));
      out.push_back(0);
      return;
    }
  }
  if (text->size() > 255 || text->find('\0') != std::string::npos) {
    std::fprintf(stderr, "a script text cannot be encoded: %s\n", Show(text).c_str());
    std::abort();
  }
  out.push_back(kTextRaw);
  out.push_back(static_cast<uint8_t>(text->size()));
  out.insert(out.end(), text->begin(), text->end());
}

}  // namespace

World BuildWorld() {
  return {ZELVAR_FUZZ_FIXTURE_A, ZELVAR_FUZZ_FIXTURE_B, ZELVAR_FUZZ_FIXTURE_DIR, ZELVAR_FUZZ_NOT_A_LIBRARY};
}

Vocabulary BuildVocabulary(const World& world) {
  auto base_name = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
  Vocabulary vocabulary;
  vocabulary.keys = {"value",         "ParamName",     "Type",          "GenerateNewVal", "OriginalValue",
                     "FunctionName",  "NTLibraryName", "SOLibraryName", "KTLibraryName",  "AXLibraryName",
                     "net_dir",       "Scope",         "v",             "va",             "values",
                     "VALUE"};
  vocabulary.values = {world.fixture_a,
                       world.fixture_b,
                       base_name(world.fixture_a),
                       base_name(world.fixture_b),
                       world.fixture_dir,
                       world.fixture_dir + "/",
                       world.not_a_library,
                       "/nowhere",
                       "libmissing.so",
                       "",
                       "FuzzValue",
                       "FuzzConst",
                       "Missing",
                       "EachOccurrence",
                       "EachIteration",
                       "Once",
                       "Each",
                       "x"};
  vocabulary.types = {"UserDefinedFunction", "Table", "Spreadsheet", "", "Table ", "table"};
  return vocabulary;
}

std::vector<Op> Decode(const uint8_t* data, size_t size, const Vocabulary& vocabulary) {
  Reader in(data, size);
  std::vector<Op> ops;
  while (!in.empty() && ops.size() < kMaxOps) {
    Op op;
    op.kind = static_cast<OpKind>(in.Byte() % static_cast<uint8_t>(OpKind::kCount));
    op.slot = in.Byte() % Model::kSlots;
    switch (op.kind) {
      case OpKind::kCreate: {
        const uint8_t variant = in.Byte();
        op.number = variant < 0xC0 ? 0 : 1 + (variant - 0xC0) % (zelvar_model::kCreateVariants - 1);
        op.key = ReadText(in, vocabulary.types);
        break;
      }
      case OpKind::kSectionSet:
        op.key = ReadText(in, vocabulary.keys);
        op.value = ReadText(in, vocabulary.values);
        break;
      case OpKind::kSetContext:
        op.number = static_cast<int8_t>(in.Byte());
        op.number2 = in.Byte() & 1;
        break;
      case OpKind::kSetParamId:
        op.number = in.Int32();
        break;
      case OpKind::kSetAttrib: {
        const uint8_t shape = in.Byte();
        if ((shape & 0xF0) == 0xF0) {
          op.key_alias = in.Byte() % kAliasCount;
        } else {
          op.key = ReadText(in, vocabulary.keys);
        }
        if ((shape & 0x0F) == 0x0F) {
          op.value_alias = in.Byte() % kAliasCount;
        } else {
          op.value = ReadText(in, vocabulary.values);
        }
        op.number = static_cast<int8_t>(in.Byte());
        break;
      }
      case OpKind::kGetAttrib:
        op.key = ReadText(in, vocabulary.keys);
        op.length_dest = (in.Byte() & 1) == 0;
        break;
      case OpKind::kGetValue:
      case OpKind::kGetCurrentValue: {
        const uint8_t dests = in.Byte();
        op.text_dest = (dests & 1) == 0;
        op.length_dest = (dests & 2) == 0;
        break;
      }
      case OpKind::kUpdateValue:
        op.number = in.Int32();
        break;
      case OpKind::kReserved:
        op.number = in.Byte() % static_cast<int>(sizeof kReservedSlots / sizeof kReservedSlots[0]);
        op.number2 = in.Int32();
        break;
      case OpKind::kFixtureMode:
        op.number = in.Byte() % 2;
        op.number2 = in.Byte() % zelvar_model::kFixtureModes;
        break;
      case OpKind::kArmMalloc:
      case OpKind::kArmFallible:
        op.number = 1 + in.Byte() % 32;
        break;
      case OpKind::kDelete:
      case OpKind::kResetSection:
      case OpKind::kGetParamId:
      case OpKind::kCount:
        break;
    }
    ops.push_back(std::move(op));
  }
  return ops;
}

std::vector<uint8_t> Encode(const std::vector<Op>& ops, const Vocabulary& vocabulary) {
  std::vector<uint8_t> out;
  auto int32 = [&out](int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
  };
  for (const Op& op : ops) {
    out.push_back(static_cast<uint8_t>(op.kind));
    out.push_back(static_cast<uint8_t>(op.slot));
    switch (op.kind) {
      case OpKind::kCreate:
        out.push_back(op.number == 0 ? 0 : static_cast<uint8_t>(0xC0 + op.number - 1));
        WriteText(out, op.key, vocabulary.types);
        break;
      case OpKind::kSectionSet:
        WriteText(out, op.key, vocabulary.keys);
        WriteText(out, op.value, vocabulary.values);
        break;
      case OpKind::kSetContext:
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(op.number)));
        out.push_back(static_cast<uint8_t>(op.number2));
        break;
      case OpKind::kSetParamId:
      case OpKind::kUpdateValue:
        int32(op.number);
        break;
      case OpKind::kSetAttrib:
        out.push_back(static_cast<uint8_t>((op.key_alias >= 0 ? 0xF0 : 0) | (op.value_alias >= 0 ? 0x0F : 0)));
        if (op.key_alias >= 0) {
          out.push_back(static_cast<uint8_t>(op.key_alias));
        } else {
          WriteText(out, op.key, vocabulary.keys);
        }
        if (op.value_alias >= 0) {
          out.push_back(static_cast<uint8_t>(op.value_alias));
        } else {
          WriteText(out, op.value, vocabulary.values);
        }
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(op.number)));
        break;
      case OpKind::kGetAttrib:
        WriteText(out, op.key, vocabulary.keys);
        out.push_back(op.length_dest ? 0 : 1);
        break;
      case OpKind::kGetValue:
      case OpKind::kGetCurrentValue:
        out.push_back(static_cast<uint8_t>((op.text_dest ? 0 : 1) | (op.length_dest ? 0 : 2)));
        break;
      case OpKind::kReserved:
        out.push_back(static_cast<uint8_t>(op.number));
        int32(op.number2);
        break;
      case OpKind::kFixtureMode:
        out.push_back(static_cast<uint8_t>(op.number));
        out.push_back(static_cast<uint8_t>(op.number2));
        break;
      case OpKind::kArmMalloc:
      case OpKind::kArmFallible:
        out.push_back(static_cast<uint8_t>(op.number - 1));
        break;
      case OpKind::kDelete:
      case OpKind::kResetSection:
      case OpKind::kGetParamId:
      case OpKind::kCount:
        break;
    }
  }
  return out;
}

std::string Describe(const Op& op) {
  std::ostringstream out;
  out << KindName(op.kind) << "[" << op.slot << "]";
  switch (op.kind) {
    case OpKind::kCreate: out << " variant " << op.number << " type " << Show(op.key); break;
    case OpKind::kSectionSet: out << " " << Show(op.key) << " = " << Show(op.value); break;
    case OpKind::kSetContext: out << " engine_mode " << op.number << (op.number2 ? " reporting" : " silent"); break;
    case OpKind::kSetParamId: out << " " << op.number; break;
    case OpKind::kSetAttrib:
      out << " ";
      if (op.key_alias >= 0) {
        out << "own text of " << kAliasKeys[op.key_alias];
      } else {
        out << Show(op.key);
      }
      out << " = ";
      if (op.value_alias >= 0) {
        out << "own text of " << kAliasKeys[op.value_alias];
      } else {
        out << Show(op.value);
      }
      out << ", " << op.number;
      break;
    case OpKind::kGetAttrib: out << " " << Show(op.key) << (op.length_dest ? "" : " (no length)"); break;
    case OpKind::kGetValue:
    case OpKind::kGetCurrentValue:
      out << (op.text_dest ? "" : " (no text)") << (op.length_dest ? "" : " (no length)");
      break;
    case OpKind::kUpdateValue: out << " flags " << op.number; break;
    case OpKind::kReserved: out << " slot " << kReservedSlots[op.number] << " argument " << op.number2; break;
    case OpKind::kFixtureMode: out << " fixture " << op.number << " mode " << op.number2; break;
    case OpKind::kArmMalloc:
    case OpKind::kArmFallible: out << " call " << op.number; break;
    default: break;
  }
  return out.str();
}

// ---- the differential run

Differential::Differential(World world) : world_(std::move(world)) {
  const std::string* paths[] = {&world_.fixture_a, &world_.fixture_b};
  for (int i = 0; i < 2; ++i) {
    // Kept loaded for the harness's life: the plug-in's own loads and
    // unloads then share the fixture's counters, and the fixture's frames
    // stay readable to the leak checker.
    FixtureControl& fixture = fixtures_[i];
    fixture.handle = dlopen(paths[i]->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (fixture.handle != nullptr) {
      fixture.calls = reinterpret_cast<int (*)()>(dlsym(fixture.handle, "FuzzCalls"));
      fixture.reset = reinterpret_cast<void (*)()>(dlsym(fixture.handle, "FuzzReset"));
      fixture.set_mode = reinterpret_cast<void (*)(int)>(dlsym(fixture.handle, "FuzzSetMode"));
    }
    if (fixture.calls == nullptr || fixture.reset == nullptr || fixture.set_mode == nullptr) {
      std::fprintf(stderr, "cannot use the fixture %s: %s\n", paths[i]->c_str(), dlerror());
      std::abort();
    }
  }
}

Differential::~Differential() {
  CleanUp();
  for (FixtureControl& fixture : fixtures_) dlclose(fixture.handle);
}

void Differential::CleanUp() {
  quenby_fail_call(0);
  halvern32_fail_call(0);
  for (Slot& slot : slots_) {
    DeleteUserDefinedFunction(slot.object);
    slot.object = nullptr;
    configsection_destroy(slot.section);
    slot.section = nullptr;
  }
}

namespace {

std::optional<std::string> LedgersAtZero() {
  if (quenby_live_blocks() != 0) return "maw_malloc blocks held: " + std::to_string(quenby_live_blocks());
  if (halvern32_live_copies() != 0) return "os_strdup copies held: " + std::to_string(halvern32_live_copies());
  if (halvern32_live_paths() != 0) return "net paths held: " + std::to_string(halvern32_live_paths());
  if (halvern32_live_libraries() != 0) return "libraries loaded: " + std::to_string(halvern32_live_libraries());
  if (settar_live_sections() != 0) return "sections held: " + std::to_string(settar_live_sections());
  return std::nullopt;
}

// The text an object hands out for one of kAliasKeys, without side effects.
const char* OwnText(CParamExt* object, const char* key) {
  if (std::string(key) == "value") {
    const char* text = nullptr;
    object->GetCurrentValue(&text, nullptr);
    return text;
  }
  return object->GetAttrib(key, nullptr);
}

Text ModelOwnText(const Model& model, int slot, const char* key) {
  if (std::string(key) == "value") return model.GetCurrentValue(slot).text;
  return model.Field(slot, key);
}

int32_t CallReserved(CParamExt* object, int which, int32_t argument) {
  const intptr_t a = argument;
  switch (kReservedSlots[which]) {
    case 2: return object->ReservedOp2(a, a);
    case 4: return object->ReservedOp4(a);
    case 8: return object->ReservedOp8(a, a);
    case 9: return object->ReservedOp9(a, a, a);
    case 10: return object->ReservedOp10(a);
    default: return object->ReservedOp11();
  }
}

}  // namespace

std::optional<std::string> Differential::Run(const std::vector<Op>& ops) {
  fired_site_.clear();
  malloc_calls_ = fallible_calls_ = 0;
  CleanUp();
  if (auto held = LedgersAtZero()) return "before the run, " + *held;

  Model model({{world_.fixture_a, "a"}, {world_.fixture_b, "b"}});
  for (FixtureControl& fixture : fixtures_) fixture.reset();
  Reports().clear();
  reports_seen_ = 0;
  for (int i = 0; i < Model::kSlots; ++i) {
    Slot& slot = slots_[i];
    slot.section = configsection_create();
    slot.context = ParamHostContext{};
    slot.context.report_error = &RecordReport;
    slot.record = ParamHostRecord{};
    slot.record.param_id = i + 1;
    slot.record.section = slot.section;
    slot.record.context = &slot.context;
    model.SetParamId(i, i + 1);
    model.SetContext(i, 0, true);
  }

  const size_t malloc_base = quenby_malloc_calls();
  const size_t fallible_base = halvern32_fallible_calls();
  std::optional<std::string> difference;
  for (size_t i = 0; i < ops.size() && !difference; ++i) {
    difference = Step(ops[i], model);
    if (!difference) difference = Compare(model);
    if (difference) difference = "operation " + std::to_string(i) + " (" + Describe(ops[i]) + "): " + *difference;
  }
  malloc_calls_ = quenby_malloc_calls() - malloc_base;
  fallible_calls_ = halvern32_fallible_calls() - fallible_base;
  fired_site_ = model.fired_site();
  CleanUp();
  if (difference) return difference;
  if (auto held = LedgersAtZero()) return "after the run, " + *held;
  return std::nullopt;
}

std::optional<std::string> Differential::Step(const Op& op, Model& model) {
  Slot& slot = slots_[op.slot];
  const size_t malloc_before = quenby_malloc_calls();
  const size_t fallible_before = halvern32_fallible_calls();
  const size_t model_malloc_before = model.malloc_calls();
  const size_t model_fallible_before = model.fallible_calls();
  std::optional<std::string> difference;

  const bool object_slot = op.kind == OpKind::kSetAttrib || op.kind == OpKind::kGetAttrib ||
                           op.kind == OpKind::kGetValue || op.kind == OpKind::kGetCurrentValue ||
                           op.kind == OpKind::kUpdateValue || op.kind == OpKind::kReserved ||
                           op.kind == OpKind::kGetParamId;
  // A host calls no slot of an object it does not have.
  if (object_slot && slot.object == nullptr) return std::nullopt;

  switch (op.kind) {
    case OpKind::kCreate: {
      const auto variant = static_cast<CreateVariant>(op.number);
      DeleteUserDefinedFunction(slot.object);
      slot.record.section = variant == CreateVariant::kNullSection ? nullptr : slot.section;
      slot.record.context = variant == CreateVariant::kNullContext ? nullptr : &slot.context;
      ParamHostRecord* record = variant == CreateVariant::kNullRecord ? nullptr : &slot.record;
      const Text type = variant == CreateVariant::kNullType ? std::nullopt : op.key;
      slot.object = NewUserDefinedFunction(record, type ? type->c_str() : nullptr);
      slot.record.context = &slot.context;
      const bool modelled = model.Create(op.slot, variant, type);
      difference = Differ("object created", slot.object != nullptr, modelled);
      break;
    }
    case OpKind::kDelete:
      DeleteUserDefinedFunction(slot.object);
      slot.object = nullptr;
      model.Delete(op.slot);
      break;
    case OpKind::kResetSection:
      DeleteUserDefinedFunction(slot.object);
      slot.object = nullptr;
      configsection_destroy(slot.section);
      slot.section = configsection_create();
      slot.record.section = slot.section;
      model.ResetSection(op.slot);
      break;
    case OpKind::kSectionSet:
      if (!op.key || !op.value) break;
      configsection_set_attrib(slot.section, op.key->c_str(), op.value->c_str());
      model.SectionSet(op.slot, *op.key, *op.value);
      break;
    case OpKind::kSetContext:
      slot.context.engine_mode = op.number;
      slot.context.report_error = op.number2 != 0 ? &RecordReport : nullptr;
      model.SetContext(op.slot, op.number, op.number2 != 0);
      break;
    case OpKind::kSetParamId:
      slot.record.param_id = op.number;
      model.SetParamId(op.slot, op.number);
      break;
    case OpKind::kSetAttrib: {
      const char* key = op.key ? op.key->c_str() : nullptr;
      Text model_key = op.key;
      if (op.key_alias >= 0) {
        key = OwnText(slot.object, kAliasKeys[op.key_alias]);
        model_key = ModelOwnText(model, op.slot, kAliasKeys[op.key_alias]);
        if ((difference = DifferText("key passed back", AsText(key), model_key))) break;
      }
      const char* value = op.value ? op.value->c_str() : nullptr;
      Text model_value = op.value;
      if (op.value_alias >= 0) {
        value = OwnText(slot.object, kAliasKeys[op.value_alias]);
        model_value = ModelOwnText(model, op.slot, kAliasKeys[op.value_alias]);
        if ((difference = DifferText("value passed back", AsText(value), model_value))) break;
      }
      const int32_t result = slot.object->SetAttrib(key, value, op.number);
      difference = Differ("SetAttrib result", result, model.SetAttrib(op.slot, model_key, model_value));
      break;
    }
    case OpKind::kGetAttrib: {
      int32_t length = kUntouchedLength;
      int32_t model_length = kUntouchedLength;
      const char* text = slot.object->GetAttrib(op.key ? op.key->c_str() : nullptr, op.length_dest ? &length : nullptr);
      const Text expected = model.GetAttrib(op.slot, op.key, op.length_dest ? &model_length : nullptr);
      if ((difference = DifferText("GetAttrib text", AsText(text), expected))) break;
      if ((difference = Differ("GetAttrib length", length, model_length))) break;
      // The value is the object's own text, not a copy.
      const char* current = nullptr;
      slot.object->GetCurrentValue(&current, nullptr);
      if (op.key && strcasecmp(op.key->c_str(), "value") == 0 && text != current) {
        difference = "GetAttrib(\"value\") handed out a copy";
      }
      break;
    }
    case OpKind::kGetValue:
    case OpKind::kGetCurrentValue: {
      const char* text = kUntouchedText;
      int32_t length = kUntouchedLength;
      const bool generate = op.kind == OpKind::kGetValue;
      auto slot_fn = generate ? &CParamExt::GetValue : &CParamExt::GetCurrentValue;
      const int32_t result =
          (slot.object->*slot_fn)(op.text_dest ? &text : nullptr, op.length_dest ? &length : nullptr);
      const Handed expected = generate ? model.GetValue(op.slot) : model.GetCurrentValue(op.slot);
      if ((difference = Differ("result", result, expected.result))) break;
      if (op.text_dest) {
        if (text == kUntouchedText) {
          difference = "the text destination was not written";
          break;
        }
        if ((difference = DifferText("text", AsText(text), expected.text))) break;
        const char* current = nullptr;
        slot.object->GetCurrentValue(&current, nullptr);
        if (text != current) {
          difference = "the text handed out is not the object's own";
          break;
        }
      }
      if (op.length_dest) difference = Differ("length", length, expected.length);
      break;
    }
    case OpKind::kUpdateValue:
      difference = Differ("UpdateValue result", slot.object->UpdateValue(op.number), model.UpdateValue(op.slot, op.number));
      break;
    case OpKind::kReserved:
      difference = Differ("reserved slot result", CallReserved(slot.object, op.number, op.number2), -1);
      break;
    case OpKind::kGetParamId:
      difference = Differ("GetParamId", slot.object->GetParamId(), model.GetParamId(op.slot));
      break;
    case OpKind::kFixtureMode:
      fixtures_[op.number].set_mode(op.number2);
      model.SetFixtureMode(op.number, static_cast<FixtureMode>(op.number2));
      break;
    case OpKind::kArmMalloc:
      quenby_fail_call(static_cast<size_t>(op.number));
      model.ArmMalloc(static_cast<size_t>(op.number));
      break;
    case OpKind::kArmFallible:
      halvern32_fail_call(static_cast<size_t>(op.number));
      model.ArmFallible(static_cast<size_t>(op.number));
      break;
    case OpKind::kCount:
      break;
  }
  if (difference) return difference;
  if ((difference = Differ("maw_malloc calls", quenby_malloc_calls() - malloc_before,
                           model.malloc_calls() - model_malloc_before))) {
    return difference;
  }
  return Differ("fallible halvern32 calls", halvern32_fallible_calls() - fallible_before,
                model.fallible_calls() - model_fallible_before);
}

std::optional<std::string> Differential::Compare(Model& model) {
  std::optional<std::string> difference;
  const auto& reports = Reports();
  if ((difference = Differ("reports", reports.size(), model.reports().size()))) return difference;
  for (; reports_seen_ < reports.size(); ++reports_seen_) {
    const auto& expected = model.reports()[reports_seen_];
    if (!(reports[reports_seen_] == expected)) {
      return "report " + Show(reports[reports_seen_]) + ", model " + Show(expected);
    }
  }
  for (int i = 0; i < 2; ++i) {
    if ((difference = Differ("value-function calls", fixtures_[i].calls(), model.FixtureCalls(i)))) return difference;
  }
  if ((difference = Differ("maw_malloc blocks held", quenby_live_blocks(), model.LiveBlocks()))) return difference;
  if ((difference = Differ("os_strdup copies held", halvern32_live_copies(), model.LiveCopies()))) return difference;
  if ((difference = Differ("libraries loaded", halvern32_live_libraries(), model.LiveLibraries()))) return difference;
  if ((difference = Differ("net paths held", halvern32_live_paths(), size_t{0}))) return difference;

  for (int i = 0; i < Model::kSlots; ++i) {
    CParamExt* object = slots_[i].object;
    if ((difference = Differ("object exists", object != nullptr, model.HasObject(i)))) return difference;
    if (object == nullptr) continue;
    const std::string where = "slot " + std::to_string(i) + ": ";
    const char* text = kUntouchedText;
    int32_t length = kUntouchedLength;
    const Handed expected = model.GetCurrentValue(i);
    if ((difference = Differ("GetCurrentValue result", object->GetCurrentValue(&text, &length), 0)) ||
        (difference = DifferText("current value", AsText(text), expected.text)) ||
        (difference = Differ("current length", length, expected.length)) ||
        (difference = Differ("GetParamId", object->GetParamId(), model.GetParamId(i)))) {
      return where + *difference;
    }
    for (const char* key : kProbeKeys) {
      length = kUntouchedLength;
      if ((difference = DifferText(key, AsText(object->GetAttrib(key, &length)), model.Field(i, key))) ||
          (difference = Differ("length written by GetAttrib", length, kUntouchedLength))) {
        return where + *difference;
      }
    }
  }
  return std::nullopt;
}

}  // namespace zelvar_fuzz
