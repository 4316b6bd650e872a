// A host outside the tree: includes headers by their repository paths and
// uses each of the three libraries through the installed package.
#include <cstdio>
#include <string>

#include "client/QvConfig.h"
#include "datalink/source/DataLink.h"
#include "platform/basalt/AString.h"
#include "vod/mdlStr.h"

int main() {
  DataLink link;
  link.SetPartnerDesign(AString(L"Design1"));
  if (link.GetPartnerDesign().CompareNoCase(AString(L"DESIGN1")) != 0) {
    std::puts("setups: data link failed");
    return 1;
  }

  CQvConfig config;
  const std::string ini = "[Main]\r\npatch=manager.so\r\n";
  config.OpeniniStream(ini.data(), static_cast<unsigned long>(ini.size()));
  wchar_t* value = nullptr;
  const unsigned long length = config.GetKeyVar(L"Main", L"patch", &value);
  const bool found = length == 10 && std::wstring(value) == L"manager.so";
  delete[] value;
  if (!found) {
    std::puts("client: configuration lookup failed");
    return 1;
  }

  if (vod::Str_Quote(automation::Variant(std::string("O'Hara"))) != "'O''Hara'") {
    std::puts("vod: quoting failed");
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
