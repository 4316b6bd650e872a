#include "platform/basalt/MessageCatalogue.h"

#include <initializer_list>
#include <map>
#include <mutex>
#include <string>

namespace MessageCatalogue {
namespace {

struct Catalogue {
  std::mutex mMutex;
  std::map<int, AString> mTemplates;

  Catalogue() {
    mTemplates[24689] = L"The design has no solve setups; at least one is required.";
    mTemplates[24690] = L"Solve setup names must be unique[: \"{0}\" is already used].";
    mTemplates[24691] = L"\"{0}\" is not a valid solve setup name.[ {1}]";
    mTemplates[24693] = L"The data link names no partner design.";
    mTemplates[24694] = L"The data link names no partner project.";
    mTemplates[24701] = L"The data link names no partner solution.";
    mTemplates[61600] =
        L"The project file name[ \"{0}\"] contains a character that is not allowed"
        L" (\\ / : * ? \" < > |).";
    mTemplates[kEvaluationErrorMessage] = L"Cannot evaluate \"{0}\"[: {1}].";
  }
};

Catalogue& GetCatalogue() {
  // Never destroyed, like the message manager it serves.
  static Catalogue* const catalogue = new Catalogue;
  return *catalogue;
}

// One level of optional text: its output so far and whether every argument
// it named was given.
struct Segment {
  AString mText;
  bool mComplete = true;
};

// Ends the innermost optional text: it shows only if all its arguments were
// given.
void CloseSegment(std::vector<Segment>& stack) {
  Segment done = std::move(stack.back());
  stack.pop_back();
  if (done.mComplete) {
    stack.back().mText += done.mText;
  }
}

}  // namespace

bool HasMessageText(int messageID) {
  Catalogue& catalogue = GetCatalogue();
  std::lock_guard<std::mutex> lock(catalogue.mMutex);
  return catalogue.mTemplates.count(messageID) != 0;
}

AString GetMessageTemplate(int messageID) {
  Catalogue& catalogue = GetCatalogue();
  std::lock_guard<std::mutex> lock(catalogue.mMutex);
  const auto found = catalogue.mTemplates.find(messageID);
  return found == catalogue.mTemplates.end() ? AString() : found->second;
}

void RegisterMessageText(int messageID, const AString& textTemplate) {
  Catalogue& catalogue = GetCatalogue();
  std::lock_guard<std::mutex> lock(catalogue.mMutex);
  catalogue.mTemplates[messageID] = textTemplate;
}

AString FormatMessageText(const AString& textTemplate, const std::vector<AString>& args) {
  std::vector<Segment> stack(1);
  const std::size_t n = textTemplate.size();
  for (std::size_t i = 0; i < n; ++i) {
    const wchar_t ch = textTemplate[i];
    const wchar_t next = i + 1 < n ? textTemplate[i + 1] : L'\0';
    if ((ch == L'[' || ch == L']' || ch == L'{' || ch == L'}') && next == ch) {
      stack.back().mText += ch;
      ++i;
      continue;
    }
    if (ch == L'[') {
      stack.emplace_back();
      continue;
    }
    if (ch == L']' && stack.size() > 1) {
      CloseSegment(stack);
      continue;
    }
    if (ch == L'{') {
      std::size_t j = i + 1;
      std::size_t index = 0;
      bool tooLarge = false;
      while (j < n && textTemplate[j] >= L'0' && textTemplate[j] <= L'9') {
        index = index * 10 + static_cast<std::size_t>(textTemplate[j] - L'0');
        tooLarge = tooLarge || index > 1000000;
        ++j;
      }
      if (j > i + 1 && j < n && textTemplate[j] == L'}') {
        if (!tooLarge && index < args.size()) {
          stack.back().mText += args[index];
        } else {
          stack.back().mComplete = false;
        }
        i = j;
        continue;
      }
    }
    // Anything else, including a brace that opens no placeholder, is text.
    stack.back().mText += ch;
  }
  // Brackets left open at the end close here by the same rule.
  while (stack.size() > 1) {
    CloseSegment(stack);
  }
  return stack.front().mText;
}

AString GetMessageText(const VelmorMessage& message) {
  AString body;
  const AString textTemplate = GetMessageTemplate(message.GetMessageID());
  if (!textTemplate.empty()) {
    body = FormatMessageText(textTemplate, message.GetArgs());
  } else {
    body = AString(L"Message ") + AString(std::to_wstring(message.GetMessageID()));
    for (int i = 0; i < message.GetArgCount(); ++i) {
      body += i == 0 ? L": " : L", ";
      body += message.GetArg(i);
    }
  }
  AString text;
  for (const AString* part : std::initializer_list<const AString*>{&message.GetPrefixText(), &body,
                                                                   &message.GetSuffixText()}) {
    if (part->empty()) {
      continue;
    }
    if (!text.empty()) {
      text += L' ';
    }
    text += *part;
  }
  return text;
}

}  // namespace MessageCatalogue
