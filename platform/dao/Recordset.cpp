#include "platform/dao/Recordset.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/automation/AutomationError.h"
#include "platform/dao/DaoBackend.h"

namespace dao {

using automation::Variant;

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::toupper(x) == std::toupper(y);
  });
}

Variant IntegerVariant(std::int64_t value) {
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

Variant ConvertForField(const Variant& value, FieldKind kind) {
  if (value.IsNull() || value.IsEmpty()) {
    return Variant::Null();
  }
  switch (kind) {
    case FieldKind::Boolean:
      return Variant(value.ToBool());
    case FieldKind::Byte:
      return Variant(value.ToByte());
    case FieldKind::Long:
      return Variant(value.ToLong());
    case FieldKind::Double:
      return Variant(value.ToDouble());
    case FieldKind::Text:
      return Variant(value.ToString());
    case FieldKind::Any:
      break;
  }
  if (value.IsObject() || value.IsRecord() || value.IsMissing()) {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  return value;
}

void Recordset::Impl::CheckOpen() const {
  if (mClosed) {
    RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
  }
}

void Recordset::Impl::RequireCurrent() const {
  if (!HasCurrent()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
}

void Recordset::Impl::RequireUpdatable() const {
  if (mTable.empty()) {
    RaiseDao(kDaoErrReadOnly, "Cannot update. Database or object is read-only.");
  }
}

size_t Recordset::Impl::FieldIndex(const std::string& name) const {
  for (size_t i = 0; i < mFields.size(); ++i) {
    if (SameName(mFields[i].mName, name)) {
      return i;
    }
  }
  RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
}

// Moving away from a row begun and not stored drops it, as DAO does.
void Recordset::Impl::DropPendingRow() {
  mEditMode = dbEditNone;
  mBuffer.clear();
  mChanged.clear();
}

void Recordset::Impl::StoreNewRow() {
  // The key assigned at AddNew goes in first, then the columns that were set; the table's
  // defaults fill the rest.
  std::vector<ColumnValue> values;
  for (size_t i = 0; i < mFields.size(); ++i) {
    if (mChanged[i]) {
      values.push_back({mFields[i].mColumn, mBuffer[i]});
    }
  }
  const std::int64_t identity = mWriter->Insert(mKeyColumn.empty() ? 0 : mNewKey, values);
  const bool wasAtEnd = AtEOF();
  mRows.push_back(mBuffer);
  mIdentities.push_back(identity);
  if (wasAtEnd) {
    mPosition = Count();
  }
}

void Recordset::Impl::StoreEditedRow() {
  std::vector<ColumnValue> values;
  for (size_t i = 0; i < mFields.size(); ++i) {
    if (mChanged[i]) {
      values.push_back({mFields[i].mColumn, mBuffer[i]});
    }
  }
  if (!values.empty() && !mWriter->Update(mIdentities[static_cast<size_t>(mPosition)], values)) {
    RaiseDao(kDaoErrRecordDeleted, "Record is deleted.");
  }
  mRows[static_cast<size_t>(mPosition)] = mBuffer;
}

Recordset::Recordset(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

Recordset::Recordset() = default;

Recordset::~Recordset() = default;

bool Recordset::IsBOF() const {
  mImpl->CheckOpen();
  return mImpl->AtBOF();
}

bool Recordset::IsEOF() const {
  mImpl->CheckOpen();
  return mImpl->AtEOF();
}

void Recordset::MoveFirst() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->mRows.empty()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  mImpl->mPosition = 0;
}

void Recordset::MoveLast() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->mRows.empty()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  mImpl->mPosition = mImpl->Count() - 1;
}

void Recordset::MoveNext() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->AtEOF()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  ++mImpl->mPosition;
}

void Recordset::MovePrevious() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  if (mImpl->AtBOF()) {
    RaiseDao(kDaoErrNoCurrentRecord, "No current record.");
  }
  --mImpl->mPosition;
}

std::int32_t Recordset::GetRecordCount() const {
  mImpl->CheckOpen();
  return static_cast<std::int32_t>(mImpl->Count());
}

std::int32_t Recordset::GetType() const {
  mImpl->CheckOpen();
  return mImpl->mType;
}

bool Recordset::IsUpdatable() const {
  mImpl->CheckOpen();
  return !mImpl->mTable.empty();
}

EditModeEnum Recordset::GetEditMode() const {
  mImpl->CheckOpen();
  return mImpl->mEditMode;
}

void Recordset::AddNew() {
  mImpl->CheckOpen();
  mImpl->RequireUpdatable();
  mImpl->DropPendingRow();
  mImpl->mBuffer.clear();
  for (const Field& field : mImpl->mFields) {
    mImpl->mBuffer.push_back(field.mDefault);
  }
  mImpl->mChanged.assign(mImpl->mFields.size(), false);
  if (!mImpl->mKeyColumn.empty()) {
    // The key is known as soon as the row is begun, as with an AutoNumber column.
    mImpl->mNewKey = mImpl->mWriter->NextKey();
    for (size_t i = 0; i < mImpl->mFields.size(); ++i) {
      if (SameName(mImpl->mFields[i].mColumn, mImpl->mKeyColumn)) {
        mImpl->mBuffer[i] = IntegerVariant(mImpl->mNewKey);
      }
    }
  }
  mImpl->mEditMode = dbEditAdd;
}

void Recordset::Edit() {
  mImpl->CheckOpen();
  mImpl->RequireUpdatable();
  mImpl->DropPendingRow();
  mImpl->RequireCurrent();
  mImpl->mBuffer = mImpl->mRows[static_cast<size_t>(mImpl->mPosition)];
  mImpl->mChanged.assign(mImpl->mFields.size(), false);
  mImpl->mEditMode = dbEditInProgress;
}

void Recordset::Update() {
  mImpl->CheckOpen();
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  if (mImpl->mEditMode == dbEditAdd) {
    mImpl->StoreNewRow();
  } else {
    mImpl->StoreEditedRow();
  }
  mImpl->DropPendingRow();
}

void Recordset::CancelUpdate() {
  mImpl->CheckOpen();
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  mImpl->DropPendingRow();
}

void Recordset::Close() {
  mImpl->CheckOpen();
  mImpl->DropPendingRow();
  mImpl->mRows.clear();
  mImpl->mIdentities.clear();
  mImpl->mWriter.reset();
  mImpl->mClosed = true;
  mImpl->mDatabase.reset();
}

automation::Variant Recordset::GetField(const std::string& name) const {
  mImpl->CheckOpen();
  const size_t index = mImpl->FieldIndex(name);
  if (mImpl->mEditMode != dbEditNone) {
    return mImpl->mBuffer[index];
  }
  mImpl->RequireCurrent();
  return mImpl->mRows[static_cast<size_t>(mImpl->mPosition)][index];
}

void Recordset::SetField(const std::string& name, const automation::Variant& value) {
  mImpl->CheckOpen();
  const size_t index = mImpl->FieldIndex(name);
  if (mImpl->mEditMode == dbEditNone) {
    RaiseDao(kDaoErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
  }
  const Field& field = mImpl->mFields[index];
  if (field.mColumn.empty() || SameName(field.mColumn, mImpl->mKeyColumn)) {
    RaiseDao(kDaoErrFieldNotUpdatable, "Field cannot be updated.");
  }
  mImpl->mBuffer[index] = ConvertForField(value, field.mKind);
  mImpl->mChanged[index] = true;
}

std::int32_t Recordset::GetFieldCount() const {
  mImpl->CheckOpen();
  return static_cast<std::int32_t>(mImpl->mFields.size());
}

std::string Recordset::GetFieldName(std::int32_t index) const {
  mImpl->CheckOpen();
  if (index < 0 || static_cast<size_t>(index) >= mImpl->mFields.size()) {
    RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
  }
  return mImpl->mFields[static_cast<size_t>(index)].mName;
}

}  // namespace dao
