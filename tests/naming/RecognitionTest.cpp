// Real text recognition and scene labels on pictures drawn in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "NamingPictures.h"
#include "TestSupport.h"
#include "naming/SceneTagger.h"
#include "naming/SmartRename.h"
#include "naming/TesseractRecognizer.h"

namespace quelso {
namespace {

using Keywords = SmartRename::Keywords;

bool contains(const Keywords& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool hasLabel(const std::vector<Classification>& labels, const std::string& identifier) {
    return std::any_of(labels.begin(), labels.end(), [&](const Classification& c) {
        return c.identifier == identifier && c.confidence > 0.25f;
    });
}

TEST(TextRecognition, EnglishPageIsNamedFromItsWords) {
    const PixelImage page = pictures::textPage(
        {"Invoice number 4471", "Invoice total due: 1,250.00 EUR", "Payment by March 15, 2024"},
        "DejaVu Sans 28", 1200, 500);
    const Keywords words = SmartRename::offlineKeywords(page, 5);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[0], "invoice");
    EXPECT_TRUE(contains(words, "total"));
    EXPECT_TRUE(contains(words, "due"));
}

TEST(TextRecognition, PersianPageIsTransliterated) {
    // "Iran National Library" / "Hello world", shaped by Pango.
    const PixelImage page = pictures::textPage({"\u06a9\u062a\u0627\u0628\u062e\u0627\u0646\u0647 \u0645\u0644\u06cc \u0627\u06cc\u0631\u0627\u0646",
                                               "\u0633\u0644\u0627\u0645 \u062f\u0646\u06cc\u0627"},
                                              "DejaVu Sans 40", 1000, 400);
    const auto lines = SmartRename::recognizeText(page);
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(SmartRename::isMostlyLatin(lines[0]));
    const Keywords words = SmartRename::offlineKeywords(page, 5);
    EXPECT_TRUE(contains(words, "slam")) << ::testing::PrintToString(words);
    EXPECT_TRUE(std::any_of(words.begin(), words.end(), [](const std::string& w) { return w.rfind("ktab", 0) == 0; }))
        << ::testing::PrintToString(words);
}

TEST(TextRecognition, PhotoWithoutTextGetsLabelsNotNoise) {
    const PixelImage scene = pictures::landscape(1200, 900, 5);
    EXPECT_TRUE(SmartRename::recognizeText(scene).empty());
    const Keywords words = SmartRename::offlineKeywords(scene, 5);
    EXPECT_TRUE(contains(words, "sky")) << ::testing::PrintToString(words);
    EXPECT_TRUE(contains(words, "greenery")) << ::testing::PrintToString(words);
}

TEST(TextRecognition, LargePhotoWithASignReadsTheSign) {
    PixelImage scene = pictures::landscape(4000, 3000, 11);
    pictures::stampText(scene, {"Harbour Fish Market"}, "DejaVu Sans 28");
    EXPECT_EQ(SmartRename::offlineKeywords(scene, 5), (Keywords{"harbour", "fish", "market"}));
}

TEST(TextRecognition, TransparentBackgroundReadsAsPaperAndOddSizesAreHarmless) {
    PixelImage page = pictures::textPage({"Garden Tools"}, "DejaVu Sans 36", 600, 160);
    // Keep the ink, make the paper fully transparent black.
    for (std::size_t i = 0; i < page.rgba.size(); i += 4) {
        const std::uint8_t ink = static_cast<std::uint8_t>(255 - page.rgba[i]);
        page.rgba[i] = page.rgba[i + 1] = page.rgba[i + 2] = 0;
        page.rgba[i + 3] = ink;
    }
    EXPECT_EQ(SmartRename::offlineKeywords(page, 5), (Keywords{"garden", "tools"}));

    const TesseractRecognizer& recognizer = static_cast<const TesseractRecognizer&>(tesseractRecognizer());
    EXPECT_TRUE(recognizer.recognize(pictures::solid(1, 1, 0, 0, 0), {"en-US"}).empty());
    EXPECT_TRUE(recognizer.recognize(pictures::solid(3000, 2, 0, 0, 0), {"en-US"}).empty());
    PixelImage broken = pictures::solid(10, 10, 0, 0, 0);
    broken.rgba.resize(7);
    EXPECT_TRUE(recognizer.recognize(broken, {"en-US"}).empty());
}

TEST(TextRecognition, LanguagesMapToInstalledModels) {
    const test::TempDir folder;
    const TesseractRecognizer none(folder.path().string());
    EXPECT_TRUE(none.supportedLanguages().empty());
    EXPECT_TRUE(none.recognize(pictures::solid(8, 8, 255, 255, 255), {"en-US"}).empty());

    const TesseractRecognizer system(defaultTessdataPath());
    EXPECT_EQ(system.supportedLanguages(), (std::vector<std::string>{"en-US", "ar-SA"}));
    EXPECT_EQ(system.tesseractLanguages({"en-US"}), "eng");
    EXPECT_EQ(system.tesseractLanguages({"ar-SA"}), "ara+fas");
    EXPECT_EQ(system.tesseractLanguages({"de-DE"}), "");
}

TEST(TextRecognition, ThreadsEachUseTheirOwnEngine) {
    const PixelImage page = pictures::textPage({"Library Catalogue"}, "DejaVu Sans 36", 700, 160);
    std::vector<Keywords> results(2);
    std::vector<std::thread> threads;
    for (auto& result : results) threads.emplace_back([&] { result = SmartRename::offlineKeywords(page, 5); });
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result, (Keywords{"library", "catalogue"}));
}

TEST(SceneLabels, CuesFromThePixels) {
    const SceneTagger tagger(defaultCascadeFolder());
    const auto landscape = tagger.classify(pictures::landscape(800, 600, 3));
    EXPECT_TRUE(hasLabel(landscape, "sky"));
    EXPECT_TRUE(hasLabel(landscape, "blue_sky"));
    EXPECT_TRUE(hasLabel(landscape, "greenery"));
    EXPECT_TRUE(hasLabel(landscape, "outdoor"));
    EXPECT_FALSE(hasLabel(landscape, "night"));
    EXPECT_FALSE(hasLabel(landscape, "document"));

    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) lines.push_back("Line " + std::to_string(i) + " of a page of plain printed text");
    const auto page = tagger.classify(pictures::textPage(lines, "DejaVu Sans 14", 800, 1100));
    EXPECT_TRUE(hasLabel(page, "document"));
    EXPECT_FALSE(hasLabel(page, "sky"));

    const auto night = tagger.classify(pictures::solid(640, 480, 12, 14, 30));
    EXPECT_TRUE(hasLabel(night, "night"));
    EXPECT_TRUE(hasLabel(night, "black"));

    const auto red = tagger.classify(pictures::solid(300, 200, 220, 30, 40));
    ASSERT_FALSE(red.empty());
    EXPECT_TRUE(hasLabel(red, "red"));
    EXPECT_FALSE(hasLabel(red, "face"));
    EXPECT_FALSE(hasLabel(red, "cat"));
    for (const auto& label : landscape) {
        EXPECT_GE(label.confidence, 0.0f);
        EXPECT_LE(label.confidence, 1.0f);
        EXPECT_EQ(label.identifier.find_first_not_of("abcdefghijklmnopqrstuvwxyz_"), std::string::npos);
    }
}

TEST(SceneLabels, WithoutCascadesOnlyPixelCues) {
    const SceneTagger tagger("/nonexistent");
    EXPECT_TRUE(hasLabel(tagger.classify(pictures::landscape(400, 300, 1)), "sky"));
    PixelImage empty;
    EXPECT_TRUE(tagger.classify(empty).empty());
}

} // namespace
} // namespace quelso
