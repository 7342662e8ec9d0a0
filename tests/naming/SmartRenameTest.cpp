// Offline naming's text and label rules, with scripted recognizers and classifiers.
#include <gtest/gtest.h>

#include <map>

#include "NamingPictures.h"
#include "naming/SmartRename.h"

namespace quelso {
namespace {

using Keywords = SmartRename::Keywords;
using Lines = std::vector<std::string>;
using Reading = std::vector<RecognizedLine>;

struct ScriptedRecognizer : TextRecognizer {
    Lines supported{"en-US", "ar-SA"};
    std::map<std::string, Reading> runs; // by the group's first language
    mutable Lines asked;
    Lines supportedLanguages() const override { return supported; }
    Reading recognize(const PixelImage&, const Lines& languages) const override {
        asked.push_back(languages.at(0));
        return runs.count(languages[0]) ? runs.at(languages[0]) : Reading{};
    }
};

struct ScriptedClassifier : ImageClassifier {
    std::vector<Classification> labels;
    std::vector<Classification> classify(const PixelImage&) const override { return labels; }
};

const PixelImage picture = pictures::solid(4, 4, 10, 20, 30);
using pictures::salam;

TEST(SmartRenameText, KeywordsFromLines) {
    const std::vector<std::pair<Lines, Keywords>> cases{
        // Ranked by count, returned by first appearance; numbers and stop words dropped.
        {{"Invoice INVOICE invoice total 2024 the March"}, {"invoice", "total", "march"}},
        {{"alpha bravo", "charlie delta echo foxtrot"}, {"alpha", "bravo", "charlie", "delta", "echo"}},
        {{"alpha bravo charlie delta echo zulu zulu"}, {"alpha", "bravo", "charlie", "delta", "zulu"}},
        {{"ok a1 abc"}, {"abc"}},
        {{"The AND for with you your are this that from have was but not all can get out our new now one "
          "two per off its has his her they them will what when"},
         {}},
        // Digit runs that fit in 64 bits are dropped, longer ones are words.
        {{"007 99999999999999999999 9223372036854775807 9223372036854775808 route66"},
         {"99999999999999999999", "9223372036854775808", "route66"}},
        {{"Caf\u00e9 na\u00efve-data_set Cafe\u0301"}, {"caf", "nave", "data", "set", "cafe"}},
        // Tokens never span lines; full lower-casing maps the Kelvin sign to k.
        {{"wor", "ds \u212Ailn"}, {"wor", "kiln"}},
        // A Roman numeral is a number: it joins the token, and sanitising drops it.
        {{"abc\u2167def"}, {"abcdef"}},
    };
    for (const auto& [lines, expected] : cases) EXPECT_EQ(SmartRename::keywords(lines, 5), expected) << lines[0];
    EXPECT_EQ(SmartRename::keywords({"aaa bbb bbb ccc ccc ccc"}, 1), (Keywords{"ccc"}));
    EXPECT_EQ(SmartRename::transliteratedKeywords({"\u0391\u03b8\u03ae\u03bd\u03b1", salam}, 5),
              (Keywords{"athena", "slam"}));
}

TEST(SmartRenameText, SanitizeAndLatinShare) {
    EXPECT_EQ(SmartRename::sanitize("Hello, W\u00f6rld_42!"), "hellowrld42");
    EXPECT_EQ(SmartRename::sanitize("\u0130stanbul"), "istanbul"); // lower-cases to i and a mark
    EXPECT_EQ(SmartRename::sanitize("\xff\xfe"
                                    "ab"),
              "ab");
    const std::vector<std::pair<std::string, bool>> cases{{"", true},
                                                          {"12:30 2024-01-01", true},
                                                          {"abc \u0633", true},
                                                          {"ab \u0633\u0644", false} /* half */,
                                                          {"caf\u00e9 \u00e9\u00e9", false},
                                                          {"cafe\u0301", true}};
    for (const auto& [text, latin] : cases) EXPECT_EQ(SmartRename::isMostlyLatin(text), latin) << text;
}

TEST(SmartRenameLabels, ConfidenceOrderDuplicatesAndStopInsideALabel) {
    const std::vector<Classification> floor{{"floor", 0.25f}, {"the", 0.5f}, {"2024", 0.5f}, {"zeta", 0.2500001f}};
    const std::vector<std::tuple<std::vector<Classification>, int, Keywords>> cases{
        {{{"sky", 0.9f}, {"outdoor", 0.8f}, {"blue_sky", 0.7f}, {"storm_cloud_front", 0.6f}},
         5,
         {"sky", "outdoor", "blue", "storm", "cloud"}},
        {{{"golden_retriever", 0.3f}, {"dog", 0.95f}, {"retriever", 0.5f}, {"ok", 0.9f}},
         5,
         {"dog", "retriever", "golden"}},
        // Strictly above 0.25; equal confidences keep their order; stop words and numbers stay.
        {floor, 5, {"the", "2024", "zeta"}},
        {floor, 2, {"the", "2024"}},
    };
    ScriptedClassifier classifier;
    for (const auto& [labels, max, expected] : cases) {
        classifier.labels = labels;
        EXPECT_EQ(SmartRename::classify(picture, max, classifier), expected) << labels[0].identifier;
    }
}

TEST(SmartRenameRecognition, BestRunWinsAndEnglishWinsTies) {
    const std::vector<std::tuple<Reading, Reading, Lines>> cases{
        {{{"abcd", 0.5f}}, {{salam, 0.5f}}, {"abcd"}},
        {{{"abcd", 0.5f}}, {{salam, 0.6f}, {"x", 0.1f}}, {salam, "x"}},
        // Characters are user-perceived: a letter with two marks counts once (3.0 < 3.2).
        {{{"e\u0301\u0302e\u0301\u0302e\u0301\u0302", 1.0f}}, {{"abcd", 0.8f}}, {"abcd"}},
        {{{"words", 0.0f}}, {}, {}}, // a zero score never replaces the empty start
    };
    for (const auto& [english, arabic, expected] : cases) {
        ScriptedRecognizer recognizer;
        recognizer.runs = {{"en-US", english}, {"ar-SA", arabic}};
        EXPECT_EQ(SmartRename::recognizeText(picture, recognizer), expected) << expected.size();
    }
    // Unsupported groups are skipped; with neither supported, English is tried alone.
    const std::vector<std::pair<Lines, Lines>> groups{{{"ar-SA", "fr-FR"}, {"ar-SA"}}, {{}, {"en-US"}}};
    for (const auto& [supported, asked] : groups) {
        ScriptedRecognizer recognizer;
        recognizer.supported = supported;
        SmartRename::recognizeText(picture, recognizer);
        EXPECT_EQ(recognizer.asked, asked);
    }
}

TEST(SmartRenameOffline, TextFirstThenLabels) {
    const std::vector<Classification> sky{{"blue_sky", 0.9f}};
    const std::vector<std::tuple<Reading, Reading, std::vector<Classification>, Keywords>> cases{
        {{{"Invoice total", 0.9f}, {"March invoice", 0.9f}}, {}, sky, {"invoice", "total", "march"}},
        // A date and a time: mostly Latin, but every token is a number, so the labels name it.
        {{{"15.03.2024 10:45", 0.9f}}, {}, sky, {"blue", "sky"}},
        {{}, {{salam + " " + pictures::donya, 0.9f}}, sky, {"slam", "dnya"}}, // transliterated
        {{}, {{" \u00a0\n", 0.9f}}, {{"sky", 0.2f}}, {}},                     // blank text, no label above the floor
    };
    for (const auto& [english, arabic, labels, expected] : cases) {
        ScriptedRecognizer recognizer;
        recognizer.runs = {{"en-US", english}, {"ar-SA", arabic}};
        ScriptedClassifier classifier;
        classifier.labels = labels;
        EXPECT_EQ(SmartRename::offlineKeywords(picture, 5, recognizer, classifier), expected) << expected.size();
    }
}

} // namespace
} // namespace quelso
