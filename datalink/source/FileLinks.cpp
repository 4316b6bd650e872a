#include "datalink/source/FileLinks.h"

#include "platform/basalt/FileUtilities.h"
#include "platform/basalt/LongFileName.h"

namespace {

io::ReadError MissingItem(const AString& key, int requirement) {
  if (requirement == 1) {
    throw io::ReadError(io::ReadError::kMissing, AString(L"missing item \"") + key + L"\"");
  }
  return io::ReadError::kMissing;
}

}  // namespace

namespace io {

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                         std::vector<AString>& texts, int requirement) {
  if (!reading) {
    CBlock_vec vec(key);
    vec.Reserve(texts.size());
    for (const AString& text : texts) {
      vec << CToken(text);
    }
    block << std::move(vec);
    return ReadError::kOk;
  }

  CBlockVecPtr vec(key);
  block >> vec;
  if (!block.mGood) {
    return MissingItem(key, requirement);
  }
  int result = ReadError::kOk;
  texts.clear();
  texts.reserve(vec->Size());
  for (std::size_t i = 0; i < vec->Size(); ++i) {
    AString text;
    if (vec->Item(i).Query(text)) {
      texts.push_back(std::move(text));
    } else {
      result = ReadError::kWrongType;
    }
  }
  return result;
}

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                         std::map<AString, AString>& texts, int requirement) {
  if (!reading) {
    CBlock_func func(key);
    func.Reserve(texts.size());
    for (const auto& [name, text] : texts) {
      func << CBlock_named_value(name, CBlock_value(text));
    }
    block << std::move(func);
    return ReadError::kOk;
  }

  CBlockFuncPtr func(key);
  block >> func;
  if (!block.mGood) {
    return MissingItem(key, requirement);
  }
  int result = ReadError::kOk;
  texts.clear();
  for (std::size_t i = 0; i < func->Size(); ++i) {
    AString text;
    if (!func->IsNamedArg(i) || !func->Item(i).Query(text)) {
      result = ReadError::kWrongType;
      continue;
    }
    texts.emplace(func->ArgName(i), std::move(text));  // an earlier text of the name stays
  }
  return result;
}

}  // namespace io

FileLinks::FileLinks() = default;

FileLinks::FileLinks(const FileLinks& other) = default;

FileLinks& FileLinks::operator=(const FileLinks& other) = default;

FileLinks::~FileLinks() = default;

void FileLinks::AddFile(const AString& path) {
  mFiles.push_back(path);
}

void FileLinks::AddFiles(const AString& folder, const AString& pattern) {
  CFileUtilities fileUtilities;
  std::vector<LongFileName> found;
  fileUtilities.SimpleFind(&found, folder, pattern);
  for (const LongFileName& file : found) {
    mFiles.push_back(file.FilePath());
  }
}

void FileLinks::AddFileContents(const AString& key, const AString& contents) {
  mFileContents.insert_or_assign(key, contents);
}

AString FileLinks::GetItemName() const {
  return L"FileLinks";
}

io::ReadError FileLinks::DoDataExchange(io::CBlock& block, bool reading) {
  mReadError = 0;
  const int files = io::DoDataExchange(block, reading, L"Files", mFiles, 0);
  const int contents = io::DoDataExchange(block, reading, L"FileContents", mFileContents, 0);
  return (files != 0 || contents != 0) ? 1 : 0;
}
