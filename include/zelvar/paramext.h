// CParamExt: the base of every parameter object, as the host sees it.
//
// The host holds an object only as a CParamExt pointer and calls it only
// through its table of virtual operations. The declaration order below is the
// slot order and is part of the contract:
//
//   slot  0  virtual destructor         slot  7  GetCurrentValue
//   slot  1  GetParamId                 slot  8  ReservedOp8
//   slot  2  ReservedOp2                slot  9  ReservedOp9
//   slot  3  SetAttrib                  slot 10  ReservedOp10
//   slot  4  ReservedOp4                slot 11  ReservedOp11
//   slot  5  GetAttrib                  slot 12  UpdateValue
//   slot  6  GetValue
//
// Under the Itanium C++ ABI (GCC, Clang) the virtual destructor takes two
// table entries (complete, then deleting), so a host written in C calls slot
// s >= 1 at table entry s + 1, passing the object as the first argument.
// Objects are deleted with DeleteUserDefinedFunction, never by the host.
//
// Not thread-safe: calls on one object must not overlap. Separate objects
// share nothing.
#ifndef ZELVAR_PARAMEXT_H_
#define ZELVAR_PARAMEXT_H_

#include <stddef.h>
#include <stdint.h>

#include "zelvar/allocator.h"
#include "zelvar/host.h"

class BlockDeque;

// Root of the parameter class tree: no data, a virtual destructor.
class CTarnLlistEntryBase {
 public:
  virtual ~CTarnLlistEntryBase() {}
};

// Gives every parameter object its memory from the host allocator.
// Allocation returns null when no memory is left (no exception), so a
// new-expression on such a class yields null.
class MNew {
 public:
  static void* operator new(size_t size) noexcept;
  static void operator delete(void* block) noexcept;
};

class CParamExt : public MNew, public CTarnLlistEntryBase {
 public:
  CParamExt(const CParamExt&) = delete;
  CParamExt& operator=(const CParamExt&) = delete;

  // Slot 0. Releases the type-text copy and the entry queue; the derived type
  // has already released what it owns, m_value included.
  ~CParamExt() override;

  // Slot 1: the record's param_id, 0 when built without a record.
  virtual int32_t GetParamId();

  // Slot 2: not supported by CParamFunction (-1).
  virtual int32_t ReservedOp2(intptr_t, intptr_t) = 0;

  // Slot 3: sets the attribute `key` to `value` (the third argument is not
  // read). Returns -1 for a null key or value.
  virtual int32_t SetAttrib(const char* key, const char* value, intptr_t) = 0;

  // Slot 4: not supported by CParamFunction (-1).
  virtual int32_t ReservedOp4(intptr_t) = 0;

  // Slot 5: the attribute's text, or null. Not a copy: valid until the next
  // call that replaces it. `length` (may be null) is written for "value" only.
  virtual const char* GetAttrib(const char* key, int32_t* length) = 0;

  // Slot 6: hands out the current value, generating one when the update
  // policy calls for it. Either destination may be null. Returns 0, or
  // UDF_ERR_GENERATE_FAILED (then the text is null and the length 0).
  virtual int32_t GetValue(const char** text, int32_t* length) = 0;

  // Slot 7: hands out the current value without generating; null and 0 when
  // there is none. Returns 0. Either destination may be null.
  virtual int32_t GetCurrentValue(const char** text, int32_t* length);

  // Slots 8 to 11: not supported (-1).
  virtual int32_t ReservedOp8(intptr_t, intptr_t);
  virtual int32_t ReservedOp9(intptr_t, intptr_t, intptr_t);
  virtual int32_t ReservedOp10(intptr_t);
  virtual int32_t ReservedOp11();

  // Slot 12: refreshes the value when the policy or bit 0 of `flags` calls
  // for it. Returns 0 or UDF_ERR_GENERATE_FAILED.
  virtual int32_t UpdateValue(int32_t flags) = 0;

 protected:
  // `record` may be null; `type_name` is copied (a null or uncopyable text
  // leaves m_typeName null). Throws std::bad_alloc only when a table-like
  // type's entry queue cannot be created; nothing is left behind then.
  CParamExt(ParamHostRecord* record, const char* type_name);

  char* m_value = nullptr;
  char* m_typeName = nullptr;
  int32_t m_paramId = 0;
  const char* m_scope = nullptr;
  ParamHostRecord* m_paramRecord = nullptr;
  CMyStlAllocator m_allocator;
  BlockDeque* m_entryQueue = nullptr;
};

#endif  // ZELVAR_PARAMEXT_H_
