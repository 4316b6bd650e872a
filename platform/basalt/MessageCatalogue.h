// Readable texts for message numbers.
//
// The catalogue maps a message number to a text template. In a template, {N}
// stands for argument N of the message. A part in square brackets is kept
// only when every argument it names was given, so one template serves a
// message posted with and without its arguments; "[[" and "]]" give literal
// brackets, "{{" and "}}" literal braces. The library's own numbers (those the
// setup and data-link libraries post, and kEvaluationErrorMessage) are built
// in; a host adds the texts of its own numbers with RegisterMessageText.
//
// Ownership: the catalogue is process-wide and owned by the library.
// Thread-safety: all functions may be called from any thread.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/VelmorMessage.h"

namespace MessageCatalogue {

// Posted by Value when an expression cannot be evaluated:
// argument 0 the expression, argument 1 the reason.
inline constexpr int kEvaluationErrorMessage = 30120;
// Module number of messages posted by the core library itself.
inline constexpr int kCoreModuleID = 1;

// True when the number has a text.
BASALT_EXPORT bool HasMessageText(int messageID);
// The template for the number; empty when there is none.
BASALT_EXPORT AString GetMessageTemplate(int messageID);
// Adds or replaces the template for a number.
BASALT_EXPORT void RegisterMessageText(int messageID, const AString& textTemplate);
// Fills a template with arguments (see above). Unknown placeholders outside
// brackets become empty texts.
BASALT_EXPORT AString FormatMessageText(const AString& textTemplate,
                                        const std::vector<AString>& args);
// The readable text of a message: prefix text, the filled template, suffix
// text, joined by blanks where present. A number without a template gives
// "Message N" followed by the arguments.
BASALT_EXPORT AString GetMessageText(const VelmorMessage& message);

}  // namespace MessageCatalogue
