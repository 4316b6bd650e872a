// VariableValues and VariableValuesContext.
//
// VariableValues is a design's set of variables: each name holds a Value,
// whose text may use other variables of the same set. A
// VariableValuesContext makes a set the one that Value::GetValue uses on the
// calling thread while the context object lives. Contexts stack: the
// innermost (most recently made) live one wins, and destroying it brings the
// one before back. Destroying contexts out of order is allowed; each simply
// leaves the stack.
//
// Ownership: a set owns its values. A context refers to a set it does not
// own; the set must outlive the context.
// Thread-safety: a set is a value type (share it read-only or guard it).
// The context stack is per thread.
#pragma once

#include <map>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/Value.h"

class BASALT_EXPORT VariableValues {
 public:
  VariableValues() = default;

  // Adds the variable or replaces its value.
  void SetVariable(const AString& name, const Value& value);
  // The text as an expression with no unit type.
  void SetVariable(const AString& name, const AString& text);
  bool RemoveVariable(const AString& name);
  // Names are matched exactly (case matters); null when absent.
  const Value* GetVariable(const AString& name) const;
  bool HasVariable(const AString& name) const { return GetVariable(name) != nullptr; }
  // The names in ascending order.
  std::vector<AString> GetNames() const;
  int GetCount() const { return static_cast<int>(mValues.size()); }
  void Clear() { mValues.clear(); }

  bool operator==(const VariableValues& other) const = default;

 private:
  std::map<AString, Value> mValues;
};

class BASALT_EXPORT VariableValuesContext {
 public:
  explicit VariableValuesContext(const VariableValues& values);
  ~VariableValuesContext();
  VariableValuesContext(const VariableValuesContext&) = delete;
  VariableValuesContext& operator=(const VariableValuesContext&) = delete;

  const VariableValues& GetValues() const { return mValues; }

  // The set of the calling thread's innermost live context; null when none.
  static const VariableValues* GetCurrentValues();

 private:
  const VariableValues& mValues;
};
