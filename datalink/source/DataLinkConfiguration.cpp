#include "datalink/source/DataLinkConfiguration.h"

#include "datalink/source/DataLink.h"
#include "platform/basalt/io/DataExchange.h"

namespace {

void NoteResult(int& result, int code) {
  if (code != 0) {
    result = 1;
  }
}

}  // namespace

DataLinkConfiguration::DataLinkConfiguration(DataLink* link, bool ignoreLockFile)
    : mLink(link), mIgnoreLockFile(ignoreLockFile) {}

DataLinkConfiguration::DataLinkConfiguration(const DataLinkConfiguration& other) = default;

DataLinkConfiguration& DataLinkConfiguration::operator=(const DataLinkConfiguration& other) =
    default;

DataLinkConfiguration::~DataLinkConfiguration() = default;

DataLinkConfiguration* DataLinkConfiguration::Clone() const {
  DataLinkConfiguration* clone = new DataLinkConfiguration(mLink, false);
  clone->CopyFrom(this);
  return clone;
}

void DataLinkConfiguration::CopyFrom(const DataLinkConfiguration* other) {
  if (other == nullptr || other == this) {
    return;
  }
  mCallerProjectPath = other->mCallerProjectPath;
  mCallerDesign = other->mCallerDesign;
  mCallerDesignType = other->mCallerDesignType;
  mCallerSoln = other->mCallerSoln;
  mMachineName = other->mMachineName;
  mIgnoreLockFile = other->mIgnoreLockFile;
}

DataLinkConfiguration* DataLinkConfiguration::GetEditable() const {
  return const_cast<DataLinkConfiguration*>(this);
}

bool DataLinkConfiguration::GetForceSolve() const {
  return false;
}

io::ReadError DataLinkConfiguration::DoDataExchange(io::CBlock& block, bool reading,
                                                    const VariableValues* values) {
  int result = 0;
  NoteResult(result, io::DoDataExchange(block, reading, L"CallerProject", mCallerProjectPath, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"CallerDesign", mCallerDesign, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"CallerDesignType", mCallerDesignType, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"CallerSoln", mCallerSoln, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"MachineName", mMachineName, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"IgnoreLockFile", mIgnoreLockFile, 0));
  if (mLink == nullptr) {
    // Without a link there is nothing to carry; the block is incomplete.
    return 1;
  }
  NoteResult(result, mLink->DoDataExchange(block, reading, values, false));
  return result;
}
