#include "naming/UnicodeText.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

namespace quelso::UnicodeText {

namespace {

// ICU break iterators and transliterators keep per-use state, so each thread owns one.
icu::BreakIterator* characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return iterator.get();
}

icu::Transliterator* latinTransliterator() {
    thread_local std::unique_ptr<icu::Transliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
            "Any-Latin; NFD; [:Nonspacing Mark:] Remove; NFC", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return transliterator.get();
}

bool isLetterOrNumber(UChar32 c) {
    return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) || u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// Calls visit(start, limit) for each user-perceived character of text. Without a break
// iterator every scalar counts as one character.
template <typename Visit>
void forEachCharacter(const icu::UnicodeString& text, Visit&& visit) {
    icu::BreakIterator* breaks = characterBreaks();
    if (!breaks) {
        for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) visit(i, text.moveIndex32(i, 1));
        return;
    }
    breaks->setText(text);
    int32_t start = breaks->first();
    for (int32_t limit = breaks->next(); limit != icu::BreakIterator::DONE; start = limit, limit = breaks->next())
        visit(start, limit);
}

} // namespace

std::string lowerCased(std::string_view text) {
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    return utf8(unicode.toLower(icu::Locale::getRoot()));
}

std::vector<std::string> letterNumberRuns(std::string_view text) {
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::vector<std::string> runs;
    int32_t runStart = -1;
    int32_t runLimit = -1;
    auto closeRun = [&] {
        if (runStart >= 0 && runLimit > runStart)
            runs.push_back(utf8(icu::UnicodeString(unicode, runStart, runLimit - runStart)));
        runStart = -1;
    };
    forEachCharacter(unicode, [&](int32_t start, int32_t limit) {
        if (isLetterOrNumber(unicode.char32At(start))) {
            if (runStart < 0) runStart = start;
            runLimit = limit;
        } else {
            closeRun();
        }
    });
    closeRun();
    return runs;
}

std::size_t characterCount(std::string_view text) {
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::size_t count = 0;
    forEachCharacter(unicode, [&](int32_t, int32_t) { ++count; });
    return count;
}

ScriptShare letterAndMarkShare(std::string_view text) {
    ScriptShare share;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) continue; // a malformed byte is no scalar
        if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK)) == 0) continue;
        if (c <= 0x7F)
            ++share.latin;
        else
            ++share.other;
    }
    return share;
}

bool hasArabicScriptLetter(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        UErrorCode status = U_ZERO_ERROR;
        if (c >= 0 && u_isalpha(c) && uscript_getScript(c, &status) == USCRIPT_ARABIC && U_SUCCESS(status)) return true;
    }
    return false;
}

std::string toLatinWithoutMarks(std::string_view text) {
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (icu::Transliterator* transliterator = latinTransliterator()) transliterator->transliterate(unicode);
    return utf8(unicode);
}

} // namespace quelso::UnicodeText
