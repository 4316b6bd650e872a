// Case-blind text: the one definition every part of the tree compares and upper-cases by.
//
// Two texts are equal without regard to case when their full upper-case mappings (ICU's
// u_strToUpper with the root locale) are equal, and they sort by those upper-cased forms in
// Unicode code point order, which for UTF-8 is plain byte order. The store's collation and its
// upper(), the runtime's UCase$, the SQL translator's UCASE and the profile reader's section
// look-up all answer through here, so a group, a join and a look-up agree with one another and
// with any other database engine that follows the same rule.
//
// Only ICU's case mapping and UTF conversions are used, none of its data-file services.
// Bytes that are not well-formed UTF-8, and unpaired UTF-16 surrogates, pass through unchanged,
// so every input has a defined fold and a defined order.
//
// Ownership: plain functions of their arguments; results are new strings owned by the caller.
// Thread-safety: safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace casefold {

// Full upper-case mapping of UTF-8 text ("straße" gives "STRASSE", "łódź" gives "ŁÓDŹ").
std::string Upper(std::string_view text);
// The same over UTF-16 text.
std::u16string Upper(std::u16string_view text);

// Order of the upper-cased forms in code point order: negative, 0 or positive.
int Compare(std::string_view a, std::string_view b);
// True when the upper-cased forms are equal.
bool Equal(std::string_view a, std::string_view b);

// One UTF-16 unit's simple case fold (its lower-case partner for most letters), for callers that
// fold unit by unit; whole texts compare through Upper, Compare and Equal.
char16_t FoldUnit(char16_t unit);

}  // namespace casefold
