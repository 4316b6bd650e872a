#include "datalink/source/DataLink.h"

#include <string_view>

#include "datalink/source/DataLinkStrings.h"
#include "platform/basalt/LongFileName.h"
#include "platform/basalt/VariableValues.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/DataExchange.h"

namespace {

// Characters that cannot occur in a project's file name.
const wchar_t kForbiddenNameChars[] = L"\\/:*?\"<>|";

void PostLinkMessage(MessageSeverity severity, int category, int messageID, int helpID,
                     const AString* argument) {
  VelmorMessage message(severity, category, messageID, helpID, 6, MessageManagerStrings::kNullStr,
                        MessageManagerStrings::kNullStr, false);
  if (argument != nullptr) {
    message.AddArg(0, *argument);
  }
  GetGlobalIMessageManager().AddMessage(message);
}

bool IsSeparator(wchar_t ch) {
  return ch == L'\\' || ch == L'/';
}

// Folds an exchange result into the overall one: any problem is a warning.
void NoteResult(int& result, int code) {
  if (code != 0) {
    result = 1;
  }
}

}  // namespace

DataLink::DataLink() : mID(id::invalidID) {
  SetDefaults();
}

DataLink::DataLink(const DataLink& other) = default;

DataLink& DataLink::operator=(const DataLink& other) = default;

DataLink::~DataLink() = default;

void DataLink::SetDefaults() {
  mRelativePathType = kRelativeToTargetProject;
  mPartnerProject.clear();
  mPartnerDesign.clear();
  mPartnerSoln = DataLinkStrings::kDefaultSoln;
  mPartnerParams.clear();
  mPreservePartnerSoln = false;
  mForceSourceToSolve = false;
}

void DataLink::SetPartnerProject(const AString& project, int relativePathType) {
  mPartnerProject = project;
  mRelativePathType = relativePathType;
}

void DataLink::SetPartnerParams(const std::map<AString, Value>& params) {
  if (&params != &mPartnerParams) {
    mPartnerParams = params;
  }
}

bool DataLink::GetPartnerParamValue(const AString& name, Value& value) const {
  auto found = mPartnerParams.find(name);
  if (found == mPartnerParams.end()) {
    return false;
  }
  value = found->second;
  return true;
}

void DataLink::ReMapParams(const std::vector<AString>& names) {
  // Turning names into expressions may make the value code complain about
  // variables it cannot see yet; those complaints mean nothing to the user.
  MessageQueueRestorer restorer(GetGlobalIMessageManager().GetMessageHandler());
  for (const AString& name : names) {
    auto entry = mPartnerParams.find(name);
    if (entry == mPartnerParams.end()) {
      entry = mPartnerParams.emplace(name, Value(Units::kNoUnit)).first;
    }
    entry->second = name;
  }
}

DataLink* DataLink::Clone() const {
  return new DataLink(*this);
}

DataLink* DataLink::GetEditable() const {
  return const_cast<DataLink*>(this);
}

bool DataLink::operator==(const DataLink& other) const {
  if (mPartnerProject != other.mPartnerProject || mPartnerDesign != other.mPartnerDesign ||
      mPartnerSoln != other.mPartnerSoln) {
    return false;
  }
  if (mPartnerParams.size() != other.mPartnerParams.size()) {
    return false;
  }
  if (mPreservePartnerSoln != other.mPreservePartnerSoln) {
    return false;
  }
  for (const auto& [name, value] : mPartnerParams) {
    auto found = other.mPartnerParams.find(name);
    if (found == other.mPartnerParams.end() || !(value == found->second)) {
      return false;
    }
  }
  return true;
}

bool DataLink::IsValid() const {
  AString project = mPartnerProject;
  project.Trim();
  if (project.empty()) {
    PostLinkMessage(kErrorMessage, 0, 24694, 59, nullptr);
    return false;
  }
  if (project != DataLinkStrings::kThisProject) {
    // Empty pieces are kept so that a forbidden character at either end of the
    // name splits it too.
    std::vector<AString> pieces;
    AString name = LongFileName(mPartnerProject).NameWOExt();
    if (name.TokenizeString(kForbiddenNameChars, pieces, true) > 1) {
      PostLinkMessage(kFatalMessage, 2, 61600, 0, &mPartnerProject);
      return false;
    }
  }
  AString design = mPartnerDesign;
  design.Trim();
  if (design.empty()) {
    PostLinkMessage(kErrorMessage, 0, 24693, 60, nullptr);
    return false;
  }
  AString soln = mPartnerSoln;
  soln.Trim();
  if (soln.empty()) {
    PostLinkMessage(kErrorMessage, 0, 24701, 61, nullptr);
    return false;
  }
  return true;
}

io::ReadError DataLink::DoDataExchange(io::CBlock& block, bool reading,
                                       const VariableValues* values, bool skipID) {
  int result = 0;
  if (reading) {
    SetDefaults();
  }
  if (!skipID) {
    NoteResult(result, io::DoDataExchange(block, reading, L"LinkID", mID, 0));
  }
  NoteResult(result, io::DoDataExchange(block, reading, L"Project", mPartnerProject, 0));
  NoteResult(result, io::DoDataExchange(block, reading, L"Design", mPartnerDesign, 0));
  NoteResult(result, DoDataExchangeDataConfig(block, reading, values));
  NoteResult(result,
             io::DoDataExchange(block, reading, L"ForceSourceToSolve", mForceSourceToSolve, 0));
  NoteResult(result,
             io::DoDataExchange(block, reading, L"PreservePartnerSoln", mPreservePartnerSoln, 0));

  AString relativeTo = mRelativePathType == kRelativeToSourceProduct
                           ? DataLinkStrings::kSourceProduct
                           : DataLinkStrings::kTargetProject;
  NoteResult(result, io::DoDataExchange(block, reading, L"PathRelativeTo", relativeTo, 0));
  if (reading) {
    if (relativeTo == DataLinkStrings::kSourceProduct) {
      mRelativePathType = kRelativeToSourceProduct;
    } else if (relativeTo == DataLinkStrings::kTargetProject) {
      mRelativePathType = kRelativeToTargetProject;
    } else {
      mRelativePathType = kRelativeToTargetProject;
      VELMOR_REPORT_AT("datalink/source/DataLink", 124, "0");
    }
  }
  return result;
}

io::ReadError DataLink::DoDataExchangeDataConfig(io::CBlock& block, bool reading,
                                                 const VariableValues* values) {
  int result = 0;
  NoteResult(result, io::DoDataExchange(block, reading, L"Soln", mPartnerSoln, 0));

  io::CBlockPtr params(L"Params");
  if (io::DoDataExchange(block, reading, L"Params", params, 0) != 0 || !params) {
    return 1;
  }

  if (reading) {
    for (const io::CBlock_item_ptr& item : *params) {
      if (item->GetKind() != io::CBlock_item::Kind::NamedValue) {
        continue;
      }
      const AString name = item->Name();
      Value value(Units::kNoUnit);
      if (io::DoDataExchange(*params, true, name, value, 0) == 0) {
        mPartnerParams.insert_or_assign(name, value);
      }
    }
    return result;
  }

  for (const auto& [name, value] : mPartnerParams) {
    if (values == nullptr) {
      Value stored = value;
      io::DoDataExchange(*params, false, name, stored, 0);
    } else {
      VariableValuesContext context(*values);
      // A parameter the set cannot evaluate is still written (GetValue posts
      // why and gives 0), but the caller must not take the block as sound.
      double number = 0;
      Units::FullUnitType unit = Units::kNoUnit;
      AString reason;
      if (!value.Evaluate(number, unit, reason)) {
        result = 1;
      }
      Value evaluated(value.GetValue(), value.GetUnits());
      *params << io::CBlock_named_value(name, io::CBlock_value(evaluated.GetValueText()));
    }
  }
  return result;
}

AString DataLink::GetAbsoluteFilename(const AString& baseDirectory, const AString& path) {
  std::vector<AString> pieces;
  if (path.TokenizeString(L":", pieces, false) != 1) {
    return path;  // a drive, or nothing at all
  }
  if (IsSeparator(path.front())) {
    return path;  // rooted or a network path
  }

  // Count the parent references the path starts with. Only a leading run of
  // ".." names climbs from the base; "." and empty names in that run are
  // passed over, and a name of three dots is an ordinary name. ".." further on
  // is resolved inside the remainder.
  int levels = 0;
  std::size_t remainderStart = 0;
  std::size_t nameStart = 0;
  while (nameStart < path.size()) {
    std::size_t separator = path.find_first_of(L"\\/", nameStart);
    if (separator == AString::npos) {
      break;
    }
    std::wstring_view name(path.data() + nameStart, separator - nameStart);
    if (name == L"..") {
      ++levels;
    } else if (!name.empty() && name != L".") {
      break;
    }
    remainderStart = separator + 1;
    nameStart = separator + 1;
  }

  LongFileName resolved(baseDirectory);
  if (levels == 0) {
    resolved.Reset(path, baseDirectory);
    return resolved.FilePath();
  }
  for (int level = 0; level < levels; ++level) {
    AString before = resolved.FilePath();
    resolved = LFN_GetContainingDirectory(resolved);
    if (resolved.FilePath() == before) {
      return path;  // climbed past the root
    }
  }
  AString directory = resolved.FilePath();
  if (!directory.empty() && !IsSeparator(directory.back())) {
    directory += L"/";
  }
  resolved.Reset(path.substr(remainderStart), directory);
  return resolved.FilePath();
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr int DataLink::kRelativeToSourceProduct;
constexpr int DataLink::kRelativeToTargetProject;
