// Recordset: the rows of one query, with a current row, as DAO hands them out.
//
// A Recordset comes from Database::OpenRecordset. It holds a copy of the rows the query
// returned, so walking it runs no further SQL. A dynaset (type 2) opened on a plain SELECT from
// one table ("SELECT ... FROM T [WHERE ...] [ORDER BY ...]") is updatable: AddNew begins a new
// row of T whose automatically assigned key can be read at once, Edit begins changing the
// current row, Update stores the row begun, and Close (or the last release) drops a row begun
// and not stored. A snapshot (type 4), and a dynaset over a join, derived table, DISTINCT or
// grouping, is read-only.
//
// Errors are automation::AutomationError with DAO's numbers and texts: 3021 no current record,
// 3020 Update without AddNew or Edit, 3027 read-only, 3265 unknown field, 3420 closed object;
// engine errors carry the engine's text.
//
// The key a row gets at AddNew is the table's next one at that moment; should another connection
// add a row to the same table before Update, Update fails with 3022 and nothing is overwritten.
//
// The members are virtual so that a recordset made elsewhere (a COM host's) can stand in.
//
// Ownership: reference-counted (automation::ObjectPtr). A Recordset keeps its database's
// connection alive but fails with 3420 once that database has been closed. Belongs to the
// thread that opened it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "platform/dao/DaoExport.h"

namespace dao {

// Values of Database::OpenRecordset's type argument.
enum RecordsetTypeEnum : std::int32_t {
  dbOpenTable = 1,
  dbOpenDynaset = 2,
  dbOpenSnapshot = 4,
};

// Values of Recordset::GetEditMode.
enum EditModeEnum : std::int32_t {
  dbEditNone = 0,
  dbEditInProgress = 1,
  dbEditAdd = 2,
};

class DAO_EXPORT Recordset : public virtual automation::Object {
 public:
  struct Impl;

  // Before the first row / after the last row; both true for an empty set. (Named Is... since
  // the C library owns the macro EOF.)
  virtual bool IsBOF() const;
  virtual bool IsEOF() const;

  // Raise 3021 on an empty set; MoveNext raises 3021 when already at EOF.
  virtual void MoveFirst();
  virtual void MoveLast();
  virtual void MoveNext();
  virtual void MovePrevious();

  // Number of rows, added ones included. Always exact (DAO promises that only after MoveLast,
  // which callers written for DAO still do).
  virtual std::int32_t GetRecordCount() const;
  virtual std::int32_t GetType() const;
  virtual bool IsUpdatable() const;
  virtual EditModeEnum GetEditMode() const;

  virtual void AddNew();
  virtual void Edit();
  // Stores the row begun by AddNew or Edit. An added row joins the end of the set; the current
  // row stays where it was before AddNew, as DAO has it.
  virtual void Update();
  // Drops a row begun by AddNew or Edit without storing it.
  virtual void CancelUpdate();
  // Drops a row begun and not stored and frees the rows; every later call raises 3420.
  virtual void Close();

  // Fields(name).Value: the column of the current row (or of the row being added or edited),
  // Null for a Null column. Names are matched without regard to case.
  virtual automation::Variant GetField(const std::string& name) const;
  // Sets a column of the row being added or edited, converted to the column's declared type
  // (Byte, Long, Double, Boolean or text); Null and Empty store Null.
  virtual void SetField(const std::string& name, const automation::Variant& value);

  virtual std::int32_t GetFieldCount() const;
  virtual std::string GetFieldName(std::int32_t index) const;  // zero-based, as Fields(i)

  // Made by Database::OpenRecordset only.
  explicit Recordset(std::unique_ptr<Impl> impl);

 protected:
  // For a recordset that another object supplies (a COM host's own, called late bound): it
  // has no rows here and overrides every member above.
  Recordset();
  ~Recordset() override;

 private:
  std::unique_ptr<Impl> mImpl;
};

using RecordsetPtr = automation::ObjectPtr<Recordset>;

}  // namespace dao
