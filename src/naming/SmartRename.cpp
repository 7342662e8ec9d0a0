#include "naming/SmartRename.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <unordered_map>

#include "naming/DefaultClassifier.h"
#include "naming/TesseractRecognizer.h"
#include "naming/UnicodeText.h"
#include "platform/Utf8.h"

namespace quelso::SmartRename {

namespace {

constexpr std::size_t minimumKeywordLength = 3;
constexpr float labelConfidenceFloor = 0.25f;

// The recognition runs, in the order tried; the English run wins ties.
const std::array<std::vector<std::string>, 2> languageGroups{std::vector<std::string>{"en-US"},
                                                             std::vector<std::string>{"ar-SA"}};

// Words of a text as naming cuts them: lower-cased runs of letters and numbers.
std::vector<std::string> tokens(std::string_view text) {
    return UnicodeText::letterNumberRuns(UnicodeText::lowerCased(text));
}

// A digit run that reads as a signed 64-bit integer says nothing about the picture
// (dates, prices, counters); a longer one is kept as a word.
bool isSmallNumber(const std::string& word) {
    if (!std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += ' ';
        text += lines[i];
    }
    return text;
}

} // namespace

const std::unordered_set<std::string>& stopwords() {
    // Built on first use; static initialisation of a local is thread-safe.
    static const std::unordered_set<std::string> words{
        "the", "and", "for", "with", "you", "your", "are",  "this", "that", "from", "have", "was",
        "but", "not", "all", "can",  "get", "out",  "our",  "new",  "now",  "one",  "two",  "per",
        "off", "its", "has", "his",  "her", "they", "them", "will", "what", "when"};
    return words;
}

std::vector<std::string> recognizeText(const PixelImage& picture) {
    return recognizeText(picture, tesseractRecognizer());
}

std::vector<std::string> recognizeText(const PixelImage& picture, const TextRecognizer& recognizer) {
    const std::vector<std::string> supported = recognizer.supportedLanguages();
    std::vector<std::vector<std::string>> groups;
    for (const auto& group : languageGroups)
        if (std::find(supported.begin(), supported.end(), group.front()) != supported.end()) groups.push_back(group);
    if (groups.empty()) groups.push_back({"en-US"});

    std::vector<std::string> best;
    double bestScore = 0;
    for (const std::vector<RecognizedLine>& lines : recognizer.recognizeEach(picture, groups)) {
        double score = 0;
        for (const RecognizedLine& line : lines)
            score += static_cast<double>(line.confidence) * static_cast<double>(UnicodeText::characterCount(line.text));
        if (score > bestScore) {
            best.clear();
            for (const RecognizedLine& line : lines) best.push_back(line.text);
            bestScore = score;
        }
    }
    return best;
}

bool isMostlyLatin(std::string_view text) {
    const UnicodeText::ScriptShare share = UnicodeText::letterAndMarkShare(text);
    const std::size_t total = share.latin + share.other;
    if (total == 0) return true;
    return static_cast<double>(share.latin) / static_cast<double>(total) > 0.5;
}

std::string sanitize(std::string_view text) {
    const std::string lower = UnicodeText::lowerCased(text);
    std::string kept;
    // Any byte of a multi-byte UTF-8 sequence is >= 0x80, so testing bytes tests scalars.
    for (char c : lower)
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) kept += c;
    return kept;
}

Keywords keywords(const std::vector<std::string>& fromTextLines, int max) {
    struct Tally {
        int count = 0;
        std::size_t firstSeen = 0;
    };
    std::unordered_map<std::string, Tally> tallies;
    std::vector<std::string> byAppearance;
    const auto& stops = stopwords();
    for (const std::string& line : fromTextLines) {
        for (const std::string& token : tokens(line)) {
            std::string word = sanitize(token);
            if (word.size() < minimumKeywordLength || stops.count(word) || isSmallNumber(word)) continue;
            auto [entry, fresh] = tallies.try_emplace(word, Tally{0, byAppearance.size()});
            if (fresh) byAppearance.push_back(word);
            ++entry->second.count;
        }
    }
    std::vector<std::string> ranked = byAppearance;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [&](const std::string& a, const std::string& b) { return tallies[a].count > tallies[b].count; });
    if (max < 0) max = 0;
    if (ranked.size() > static_cast<std::size_t>(max)) ranked.resize(static_cast<std::size_t>(max));
    std::sort(ranked.begin(), ranked.end(),
              [&](const std::string& a, const std::string& b) { return tallies[a].firstSeen < tallies[b].firstSeen; });
    return ranked;
}

Keywords transliteratedKeywords(const std::vector<std::string>& lines, int max) {
    return keywords({UnicodeText::toLatinWithoutMarks(joined(lines))}, max);
}

Keywords classify(const PixelImage& picture, int max) { return classify(picture, max, defaultImageClassifier()); }

Keywords classify(const PixelImage& picture, int max, const ImageClassifier& classifier) {
    std::vector<Classification> labels = classifier.classify(picture);
    std::erase_if(labels, [](const Classification& c) { return !(c.confidence > labelConfidenceFloor); });
    std::stable_sort(labels.begin(), labels.end(),
                     [](const Classification& a, const Classification& b) { return a.confidence > b.confidence; });
    Keywords result;
    if (max <= 0) return result;
    for (const Classification& label : labels) {
        for (const std::string& token : tokens(label.identifier)) {
            std::string word = sanitize(token);
            if (word.size() >= minimumKeywordLength && std::find(result.begin(), result.end(), word) == result.end())
                result.push_back(std::move(word));
            if (result.size() == static_cast<std::size_t>(max)) return result;
        }
    }
    return result;
}

Keywords offlineKeywords(const PixelImage& picture, int max) {
    return offlineKeywords(picture, max, tesseractRecognizer(), defaultImageClassifier());
}

Keywords offlineKeywords(const PixelImage& picture, int max, const TextRecognizer& recognizer,
                         const ImageClassifier& classifier) {
    const std::vector<std::string> lines = recognizeText(picture, recognizer);
    const std::string text = joined(lines);
    if (!trimmedWhitespace(text).empty()) {
        Keywords fromText = isMostlyLatin(text) ? keywords(lines, max) : transliteratedKeywords(lines, max);
        if (!fromText.empty()) return fromText;
    }
    return classify(picture, max, classifier);
}

} // namespace quelso::SmartRename
