// Offline naming's text and label rules, with scripted recognizers and classifiers.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "NamingPictures.h"
#include "naming/SmartRename.h"

namespace quelso {
namespace {

using Keywords = SmartRename::Keywords;
using Lines = std::vector<std::string>;

class ScriptedRecognizer : public TextRecognizer {
public:
    std::vector<std::string> supported{"en-US", "ar-SA"};
    std::map<std::string, std::vector<RecognizedLine>> runs; // by the group's first language
    mutable std::vector<std::string> asked;

    std::vector<std::string> supportedLanguages() const override { return supported; }
    std::vector<RecognizedLine> recognize(const PixelImage&, const std::vector<std::string>& languages) const override {
        asked.push_back(languages.at(0));
        const auto found = runs.find(languages.at(0));
        return found == runs.end() ? std::vector<RecognizedLine>{} : found->second;
    }
};

class ScriptedClassifier : public ImageClassifier {
public:
    std::vector<Classification> labels;
    mutable int runs = 0;
    std::vector<Classification> classify(const PixelImage&) const override {
        ++runs;
        return labels;
    }
};

const PixelImage picture = pictures::solid(4, 4, 10, 20, 30);

TEST(SmartRenameKeywords, FrequencyPicksAndFirstAppearanceOrders) {
    EXPECT_EQ(SmartRename::keywords({"Invoice INVOICE invoice total 2024 the March"}, 5),
              (Keywords{"invoice", "total", "march"}));
    // Six words seen once: the first five in reading order.
    EXPECT_EQ(SmartRename::keywords({"alpha bravo", "charlie delta echo foxtrot"}, 5),
              (Keywords{"alpha", "bravo", "charlie", "delta", "echo"}));
    // Ranked by count, returned by first appearance: "zulu" wins a place by frequency.
    EXPECT_EQ(SmartRename::keywords({"alpha bravo charlie delta echo zulu zulu"}, 5),
              (Keywords{"alpha", "bravo", "charlie", "delta", "zulu"}));
    EXPECT_EQ(SmartRename::keywords({"aaa bbb bbb ccc ccc ccc"}, 1), (Keywords{"ccc"}));
    EXPECT_TRUE(SmartRename::keywords({"anything here"}, 0).empty());
}

TEST(SmartRenameKeywords, ShortWordsStopWordsAndNumbers) {
    EXPECT_EQ(SmartRename::keywords({"ok a1 abc"}, 5), (Keywords{"abc"}));
    EXPECT_TRUE(SmartRename::keywords({"The and FOR with you your what when"}, 5).empty());
    // Digit runs that fit in 64 bits are dropped, longer ones are words.
    EXPECT_EQ(SmartRename::keywords({"007 99999999999999999999 9223372036854775807 9223372036854775808"}, 5),
              (Keywords{"99999999999999999999", "9223372036854775808"}));
    EXPECT_EQ(SmartRename::keywords({"route66 x2024y"}, 5), (Keywords{"route66", "x2024y"}));
    EXPECT_TRUE(SmartRename::keywords({"2024-03-15 10:45:00"}, 5).empty());
}

TEST(SmartRenameKeywords, TokensFollowUnicodeClasses) {
    EXPECT_EQ(SmartRename::keywords({"Caf\u00e9"}, 5), (Keywords{"caf"}));
    EXPECT_EQ(SmartRename::keywords({"Cafe\u0301"}, 5), (Keywords{"cafe"})); // decomposed keeps its e
    EXPECT_EQ(SmartRename::keywords({"na\u00efve-data_set"}, 5), (Keywords{"nave", "data", "set"}));
    // Tokens never span lines, and full lower-casing maps the Kelvin sign to k.
    EXPECT_EQ(SmartRename::keywords({"wor", "ds \u212Ailn"}, 5), (Keywords{"wor", "kiln"}));
    // A Roman numeral letter is a number; it survives tokenising but sanitising drops it.
    EXPECT_EQ(SmartRename::keywords({"abc\u2167def"}, 5), (Keywords{"abcdef"}));
}

TEST(SmartRenameText, SanitizeAndLatinShare) {
    EXPECT_EQ(SmartRename::sanitize("Hello, W\u00f6rld_42!"), "hellowrld42");
    EXPECT_EQ(SmartRename::sanitize("\u0130stanbul"), "istanbul"); // dotted capital I lower-cases to i + mark
    EXPECT_EQ(SmartRename::sanitize("\xff\xfe" "ab"), "ab");         // broken UTF-8 never leaks through
    EXPECT_TRUE(SmartRename::isMostlyLatin(""));
    EXPECT_TRUE(SmartRename::isMostlyLatin("12:30 2024-01-01"));
    EXPECT_TRUE(SmartRename::isMostlyLatin("abc \u0633"));
    EXPECT_FALSE(SmartRename::isMostlyLatin("ab \u0633\u0644"));     // exactly half
    EXPECT_FALSE(SmartRename::isMostlyLatin("caf\u00e9 \u00e9\u00e9")); // precomposed accents are not ASCII
    EXPECT_TRUE(SmartRename::isMostlyLatin("cafe\u0301"));               // 4 Latin letters, one mark
}

TEST(SmartRenameText, TransliterationReachesAscii) {
    // Persian "Iran national library" and Greek: both become Latin keywords.
    const Keywords persian = SmartRename::transliteratedKeywords({"\u06a9\u062a\u0627\u0628\u062e\u0627\u0646\u0647 \u0645\u0644\u06cc", "\u0627\u06cc\u0631\u0627\u0646"}, 5);
    ASSERT_EQ(persian.size(), 3u);
    EXPECT_EQ(persian[0].substr(0, 4), "ktab");
    EXPECT_EQ(persian[2].substr(0, 2), "ay");
    EXPECT_EQ(SmartRename::transliteratedKeywords({"\u0391\u03b8\u03ae\u03bd\u03b1"}, 5), (Keywords{"athena"}));
}

TEST(SmartRenameText, StopWordsAreTheListedThirtyFour) {
    const auto& stops = SmartRename::stopwords();
    EXPECT_EQ(stops.size(), 34u);
    for (const char* word : {"the", "and", "per", "off", "its", "when", "them"}) EXPECT_TRUE(stops.count(word));
    EXPECT_FALSE(stops.count("invoice"));
    // Built once: every thread sees the same set.
    const void* seen[4] = {};
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = &SmartRename::stopwords(); });
    for (auto& thread : threads) thread.join();
    for (const void* slot : seen) EXPECT_EQ(slot, &stops);
}

TEST(SmartRenameLabels, ConfidenceOrderDuplicatesAndStopInsideALabel) {
    ScriptedClassifier classifier;
    classifier.labels = {{"sky", 0.9f}, {"outdoor", 0.8f}, {"blue_sky", 0.7f}, {"storm_cloud_front", 0.6f}};
    EXPECT_EQ(SmartRename::classify(picture, 5, classifier), (Keywords{"sky", "outdoor", "blue", "storm", "cloud"}));

    classifier.labels = {{"golden_retriever", 0.3f}, {"dog", 0.95f}, {"retriever", 0.5f}, {"ok", 0.9f}};
    EXPECT_EQ(SmartRename::classify(picture, 5, classifier), (Keywords{"dog", "retriever", "golden"}));

    // Strictly above 0.25; equal confidences keep the classifier's order; no stop words here.
    classifier.labels = {{"floor", 0.25f}, {"the", 0.5f}, {"2024", 0.5f}, {"zeta", 0.2500001f}};
    EXPECT_EQ(SmartRename::classify(picture, 5, classifier), (Keywords{"the", "2024", "zeta"}));
    EXPECT_EQ(SmartRename::classify(picture, 2, classifier), (Keywords{"the", "2024"}));
}

TEST(SmartRenameRecognition, BestRunWinsEnglishOnTies) {
    ScriptedRecognizer recognizer;
    recognizer.runs["en-US"] = {{"abcd", 0.5f}};     // 2.0
    recognizer.runs["ar-SA"] = {{"\u0633\u0644\u0627\u0645", 0.5f}}; // 4 characters, 2.0
    EXPECT_EQ(SmartRename::recognizeText(picture, recognizer), (Lines{"abcd"}));
    recognizer.runs["ar-SA"] = {{"\u0633\u0644\u0627\u0645", 0.6f}, {"x", 0.1f}};
    EXPECT_EQ(SmartRename::recognizeText(picture, recognizer), (Lines{"\u0633\u0644\u0627\u0645", "x"}));
    // Characters are user-perceived: one base letter with two marks counts once.
    recognizer.runs["en-US"] = {{"e\u0301\u0302e\u0301\u0302e\u0301\u0302", 1.0f}}; // 3 characters
    recognizer.runs["ar-SA"] = {{"abcd", 0.8f}};                                      // 3.2
    EXPECT_EQ(SmartRename::recognizeText(picture, recognizer), (Lines{"abcd"}));
    // Zero scores never replace the empty start.
    recognizer.runs["en-US"] = {{"words", 0.0f}};
    recognizer.runs["ar-SA"] = {};
    EXPECT_TRUE(SmartRename::recognizeText(picture, recognizer).empty());
}

TEST(SmartRenameRecognition, UnsupportedGroupsAreSkippedAndEnglishIsTheFallback) {
    ScriptedRecognizer recognizer;
    recognizer.supported = {"ar-SA", "fr-FR"};
    SmartRename::recognizeText(picture, recognizer);
    EXPECT_EQ(recognizer.asked, (Lines{"ar-SA"}));
    recognizer.supported = {};
    recognizer.asked.clear();
    SmartRename::recognizeText(picture, recognizer);
    EXPECT_EQ(recognizer.asked, (Lines{"en-US"}));
}

TEST(SmartRenameOffline, TextFirstThenLabels) {
    ScriptedRecognizer recognizer;
    ScriptedClassifier classifier;
    classifier.labels = {{"blue_sky", 0.9f}};

    recognizer.runs["en-US"] = {{"Invoice total", 0.9f}, {"March invoice", 0.9f}};
    EXPECT_EQ(SmartRename::offlineKeywords(picture, 5, recognizer, classifier), (Keywords{"invoice", "total", "march"}));
    EXPECT_EQ(classifier.runs, 0);

    // A date and a time: mostly Latin, but every token is a number, so the labels name it.
    recognizer.runs["en-US"] = {{"15.03.2024 10:45", 0.9f}};
    EXPECT_EQ(SmartRename::offlineKeywords(picture, 5, recognizer, classifier), (Keywords{"blue", "sky"}));

    // Arabic-script text goes through transliteration.
    recognizer.runs["en-US"] = {};
    recognizer.runs["ar-SA"] = {{"\u0633\u0644\u0627\u0645 \u062f\u0646\u06cc\u0627", 0.9f}};
    const Keywords persian = SmartRename::offlineKeywords(picture, 5, recognizer, classifier);
    ASSERT_EQ(persian.size(), 2u);
    EXPECT_EQ(persian[0], "slam");

    // Whitespace-only text and no label above the floor: no suggestion.
    recognizer.runs["ar-SA"] = {{" \u00a0\n", 0.9f}};
    classifier.labels = {{"sky", 0.2f}};
    EXPECT_TRUE(SmartRename::offlineKeywords(picture, 5, recognizer, classifier).empty());
}

} // namespace
} // namespace quelso
