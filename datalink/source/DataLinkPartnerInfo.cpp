#include "datalink/source/DataLinkPartnerInfo.h"

#include <algorithm>

#include "datalink/source/DataLinkConfiguration.h"

namespace {

// Separates a setup name from its solution in the solution names of a setup.
const wchar_t kSetupSolnSeparator[] = L" : ";

}  // namespace

DataLinkPartnerInfo::DataLinkPartnerInfo() = default;

DataLinkPartnerInfo::DataLinkPartnerInfo(const DataLinkPartnerInfo& other) = default;

DataLinkPartnerInfo& DataLinkPartnerInfo::operator=(const DataLinkPartnerInfo& other) = default;

DataLinkPartnerInfo::~DataLinkPartnerInfo() = default;

bool DataLinkPartnerInfo::HasDesign(const AString& design) const {
  return std::find(mDesigns.begin(), mDesigns.end(), design) != mDesigns.end();
}

void DataLinkPartnerInfo::AddDesign(const AString& design) {
  mDesigns.push_back(design);
}

void DataLinkPartnerInfo::AddSolution(const AString& design, const AString& soln) {
  mSolutions[design].push_back(soln);
}

int DataLinkPartnerInfo::GetSolutions(const AString& design, std::vector<AString>& out) const {
  auto found = mSolutions.find(design);
  if (found == mSolutions.end()) {
    return -1;
  }
  out = found->second;
  return static_cast<int>(out.size());
}

void DataLinkPartnerInfo::SetParameters(const AString& design,
                                        const std::map<AString, Value>& params) {
  mParameters[design] = params;
}

void DataLinkPartnerInfo::GetParameters(const AString& design, std::vector<AString>& out) const {
  out.clear();
  auto found = mParameters.find(design);
  if (found == mParameters.end()) {
    return;
  }
  for (const auto& entry : found->second) {
    out.push_back(entry.first);
  }
}

int DataLinkPartnerInfo::GetSolnIndex(const AString& design, const AString& soln) const {
  auto found = mSolutions.find(design);
  if (found == mSolutions.end()) {
    return -1;
  }
  const std::vector<AString>& solutions = found->second;
  auto position = std::find(solutions.begin(), solutions.end(), soln);
  return position == solutions.end() ? -1 : static_cast<int>(position - solutions.begin());
}

void DataLinkPartnerInfo::RemoveDesign(const AString& design) {
  auto position = std::find(mDesigns.begin(), mDesigns.end(), design);
  if (position == mDesigns.end()) {
    return;
  }
  mDesigns.erase(position);
  mParameters.erase(design);
  mSolutions.erase(design);
}

void DataLinkPartnerInfo::RemoveSolution(const AString& design, const AString& pattern) {
  auto found = mSolutions.find(design);
  if (found == mSolutions.end()) {
    return;
  }
  std::erase_if(found->second, [&pattern](const AString& soln) { return soln.Match(pattern); });
}

AString DataLinkPartnerInfo::GetItemName() const {
  return L"DataLinkConfig";
}

io::ReadError DataLinkPartnerInfo::DoDataExchange(io::CBlock& block, bool reading) {
  mReadError = 0;
  if (!reading) {
    for (const AString& design : mDesigns) {
      // Listing a design is a promise that it has both tables, even if empty.
      const std::vector<AString>& solutions = mSolutions[design];
      const std::map<AString, Value>& params = mParameters[design];

      io::CBlock designBlock(design);
      io::CBlock_func solnFunc(L"s");
      solnFunc.Reserve(solutions.size());
      for (const AString& soln : solutions) {
        solnFunc << io::CBlock_value(soln);
      }
      designBlock << std::move(solnFunc);
      for (const auto& [name, value] : params) {
        io::CBlock_func paramFunc(L"p");
        paramFunc << io::CBlock_value(name) << io::CBlock_value(value.GetValueText());
        designBlock << std::move(paramFunc);
      }
      CustomWrite(design, designBlock);
      block << std::move(designBlock);
    }
    return mReadError;
  }

  mDesigns.clear();
  mSolutions.clear();
  mParameters.clear();
  for (const io::CBlock_item_ptr& item : block) {
    const io::CBlock* designBlock = item->AsBlock();
    if (designBlock == nullptr) {
      continue;  // only design sub-blocks belong here
    }
    const AString design = designBlock->Name();
    mDesigns.push_back(design);
    std::vector<AString> solutions;
    std::map<AString, Value> params;
    for (const io::CBlock_item_ptr& designItem : *designBlock) {
      io::CBlockFuncPtr func(designItem);
      if (func.IsNull()) {
        continue;
      }
      if (func->Name() == L"s") {
        for (std::size_t i = 0; i < func->Size(); ++i) {
          AString soln;
          if (func->Item(i).Query(soln)) {
            solutions.push_back(soln);
          }
        }
      } else if (func->Name() == L"p") {
        AString name;
        AString text;
        if (func->Size() >= 2 && func->Item(0).Query(name) && func->Item(1).Query(text)) {
          params.insert_or_assign(name, Value(text, Units::kNoUnit));
        }
      } else {
        CustomRead(design, func);
      }
    }
    mSolutions[design] = std::move(solutions);
    mParameters[design] = std::move(params);
  }
  return mReadError;
}

void DataLinkPartnerInfo::CustomRead(const AString& /*design*/,
                                     io::CBlock_ptr<io::CBlock_func> /*func*/) {}

void DataLinkPartnerInfo::CustomWrite(const AString& /*design*/,
                                      io::CBlock& /*designBlock*/) const {}

DataLinkPartnerInfoFilter::DataLinkPartnerInfoFilter() = default;
DataLinkPartnerInfoFilter::DataLinkPartnerInfoFilter(const DataLinkPartnerInfoFilter&) = default;
DataLinkPartnerInfoFilter& DataLinkPartnerInfoFilter::operator=(const DataLinkPartnerInfoFilter&) =
    default;
DataLinkPartnerInfoFilter::~DataLinkPartnerInfoFilter() = default;

bool DataLinkPartnerInfoFilter::IsCallerProject(const DataLinkConfiguration* config,
                                                const LongFileName& partnerProject) {
  return config != nullptr && LongFileName(config->GetCallerProjectPath()) == partnerProject;
}

DataLinkPartnerDesignFilter::DataLinkPartnerDesignFilter() = default;
DataLinkPartnerDesignFilter::DataLinkPartnerDesignFilter(const DataLinkPartnerDesignFilter&) =
    default;
DataLinkPartnerDesignFilter& DataLinkPartnerDesignFilter::operator=(
    const DataLinkPartnerDesignFilter&) = default;
DataLinkPartnerDesignFilter::~DataLinkPartnerDesignFilter() = default;

void DataLinkPartnerDesignFilter::Filter(const DataLinkConfiguration* config,
                                         const LongFileName& partnerProject,
                                         DataLinkPartnerInfo* info) const {
  if (info != nullptr && IsCallerProject(config, partnerProject)) {
    info->RemoveDesign(config->GetCallerDesign());
  }
}

DataLinkPartnerSolutionFilter::DataLinkPartnerSolutionFilter(const AString& soln) : mSoln(soln) {}
DataLinkPartnerSolutionFilter::DataLinkPartnerSolutionFilter(
    const DataLinkPartnerSolutionFilter& other) = default;
DataLinkPartnerSolutionFilter::~DataLinkPartnerSolutionFilter() = default;

void DataLinkPartnerSolutionFilter::Filter(const DataLinkConfiguration* config,
                                           const LongFileName& partnerProject,
                                           DataLinkPartnerInfo* info) const {
  if (info != nullptr && IsCallerProject(config, partnerProject)) {
    info->RemoveSolution(config->GetCallerDesign(), mSoln);
  }
}

DataLinkPartnerSolutionSetupFilter::DataLinkPartnerSolutionSetupFilter(const AString& setupName)
    : mSetupName(setupName) {}
DataLinkPartnerSolutionSetupFilter::DataLinkPartnerSolutionSetupFilter(
    const DataLinkPartnerSolutionSetupFilter& other) = default;
DataLinkPartnerSolutionSetupFilter::~DataLinkPartnerSolutionSetupFilter() = default;

void DataLinkPartnerSolutionSetupFilter::Filter(const DataLinkConfiguration* config,
                                                const LongFileName& partnerProject,
                                                DataLinkPartnerInfo* info) const {
  if (info != nullptr && IsCallerProject(config, partnerProject)) {
    info->RemoveSolution(config->GetCallerDesign(), mSetupName + kSetupSolnSeparator + L"*");
  }
}
