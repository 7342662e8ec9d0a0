#pragma once
// The Unicode rules naming relies on: full lower-casing, user-perceived characters,
// letter/number classes and script transliteration, all through ICU on UTF-8 text.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quelso::UnicodeText {

// Full Unicode lower-casing (one character may become several).
std::string lowerCased(std::string_view utf8);

// Maximal runs of user-perceived characters that are letters or numbers, judged by the
// first scalar of each character (Alphabetic property, or any numeric type). Everything
// else separates; empty runs are never returned.
std::vector<std::string> letterNumberRuns(std::string_view utf8);

// How many user-perceived characters (extended grapheme clusters) the text holds.
std::size_t characterCount(std::string_view utf8);

// Counts scalars of the letter and mark categories: those up to U+007F and the others.
struct ScriptShare {
    std::size_t latin = 0;
    std::size_t other = 0;
};
ScriptShare letterAndMarkShare(std::string_view utf8);

// Whether any letter is of the Arabic script (which Persian and Urdu share).
bool hasArabicScriptLetter(std::string_view utf8);

// Any script to Latin letters, then combining marks removed.
std::string toLatinWithoutMarks(std::string_view utf8);

} // namespace quelso::UnicodeText
