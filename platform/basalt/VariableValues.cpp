#include "platform/basalt/VariableValues.h"

#include <algorithm>

namespace {

// The calling thread's live contexts, innermost last.
thread_local std::vector<const VariableValuesContext*> tContexts;

}  // namespace

void VariableValues::SetVariable(const AString& name, const Value& value) {
  mValues.insert_or_assign(name, value);
}

void VariableValues::SetVariable(const AString& name, const AString& text) {
  SetVariable(name, Value(text, Units::kNoUnit));
}

bool VariableValues::RemoveVariable(const AString& name) {
  return mValues.erase(name) != 0;
}

const Value* VariableValues::GetVariable(const AString& name) const {
  const auto found = mValues.find(name);
  return found == mValues.end() ? nullptr : &found->second;
}

std::vector<AString> VariableValues::GetNames() const {
  std::vector<AString> names;
  names.reserve(mValues.size());
  for (const auto& entry : mValues) {
    names.push_back(entry.first);
  }
  return names;
}

VariableValuesContext::VariableValuesContext(const VariableValues& values) : mValues(values) {
  tContexts.push_back(this);
}

VariableValuesContext::~VariableValuesContext() {
  // Usually the last entry; a context destroyed out of order leaves from
  // wherever it is, so a dead context is never current.
  const auto found = std::find(tContexts.rbegin(), tContexts.rend(), this);
  if (found != tContexts.rend()) {
    tContexts.erase(std::next(found).base());
  }
}

const VariableValues* VariableValuesContext::GetCurrentValues() {
  return tContexts.empty() ? nullptr : &tContexts.back()->GetValues();
}
