// Real text recognition and scene labels on pictures drawn in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "NamingPictures.h"
#include "naming/SceneTagger.h"
#include "naming/SmartRename.h"
#include "naming/TesseractRecognizer.h"

namespace quelso {
namespace {

using Keywords = SmartRename::Keywords;

// Both pages are read at once, on two threads that each need their own engine.
TEST(TextRecognition, EnglishAndPersianPagesAreNamedFromTheirWords) {
    const std::vector<PixelImage> pages{
        pictures::textPage({"Invoice number 4471", "Invoice total due: 1,250.00 EUR", "Payment by March 15, 2024"}, 37,
                           1200, 500),
        pictures::textPage({pictures::library, pictures::salam + " " + pictures::donya}, 53, 1000, 400)};
    std::vector<Keywords> names(pages.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < pages.size(); ++i)
        threads.emplace_back([&, i] { names[i] = SmartRename::offlineKeywords(pages[i], 5); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(names[0], (Keywords{"invoice", "number", "total", "due", "eur"}));
    EXPECT_EQ(names[1], (Keywords{"ktabkhanh", "mly", "ayran", "slam", "dnya"}));

    // English reads the first page well, which settles its script; the Persian page it
    // reads poorly, so that one is read in Arabic script too.
    const std::vector<std::vector<std::string>> groups{{"en-US"}, {"ar-SA"}};
    const auto english = tesseractRecognizer().recognizeEach(pages[0], groups);
    const auto persian = tesseractRecognizer().recognizeEach(pages[1], groups);
    EXPECT_EQ(english[0].size(), 3u);
    EXPECT_TRUE(english[1].empty());
    EXPECT_EQ(persian[1].size(), 2u);
}

TEST(TextRecognition, PhotosAreNamedFromLabelsOrTheirSignNotFromTexture) {
    // Without the recognizer's confidence floor the lit windows would name this one.
    EXPECT_EQ(SmartRename::offlineKeywords(pictures::landscape(500, 400, 7, true), 5),
              (Keywords{"sky", "blue", "outdoor"}));
    PixelImage harbour = pictures::landscape(4000, 3000, 11);
    pictures::stampText(harbour, {"Harbour Fish Market"}, 37);
    EXPECT_EQ(SmartRename::offlineKeywords(harbour, 5), (Keywords{"harbour", "fish", "market"}));
}

TEST(TextRecognition, TransparentPaperReadsAsWhiteAndDegenerateRastersReadNothing) {
    PixelImage page = pictures::textPage({"Garden Tools"}, 48, 600, 160);
    for (std::size_t i = 0; i < page.rgba.size(); i += 4) { // ink kept as alpha over transparent black
        page.rgba[i + 3] = static_cast<std::uint8_t>(255 - page.rgba[i]);
        page.rgba[i] = page.rgba[i + 1] = page.rgba[i + 2] = 0;
    }
    EXPECT_EQ(SmartRename::offlineKeywords(page, 5), (Keywords{"garden", "tools"}));
    PixelImage broken = pictures::solid(10, 10, 0, 0, 0);
    broken.rgba.resize(7);
    for (const PixelImage& odd : {pictures::solid(1, 1, 0, 0, 0), pictures::solid(3000, 2, 0, 0, 0), broken})
        EXPECT_TRUE(tesseractRecognizer().recognize(odd, {"en-US"}).empty()) << odd.width;
}

TEST(SceneLabels, CuesFromThePixels) {
    const SceneTagger tagger(defaultCascadeFolder());
    struct Case {
        PixelImage picture;
        std::vector<std::string> present, absent;
    };
    const std::vector<Case> cases{
        {pictures::landscape(800, 600, 3), {"sky", "blue_sky", "greenery", "outdoor"}, {"night", "document"}},
        {pictures::skyOver(800, 600, true, 4), {"sky", "water", "outdoor"}, {"snow", "indoor"}},
        {pictures::skyOver(800, 600, false, 5), {"sky", "snow", "outdoor"}, {"water", "indoor", "document"}},
        {pictures::textPage(std::vector<std::string>(30, "A line of a page of plain printed text"), 19, 800, 1100),
         {"document"},
         {"sky"}},
        // A colour is named only when nothing else is.
        {pictures::solid(640, 480, 12, 14, 30), {"night"}, {"black"}},
        {pictures::solid(300, 200, 220, 30, 40), {"red"}, {"face", "cat", "indoor"}},
    };
    for (const Case& c : cases) {
        const auto labels = tagger.classify(c.picture);
        const auto has = [&](const std::string& id) {
            return std::any_of(labels.begin(), labels.end(),
                               [&](auto& label) { return label.identifier == id && label.confidence > 0.25f; });
        };
        for (const auto& id : c.present) EXPECT_TRUE(has(id)) << c.present[0] << ": " << id;
        for (const auto& id : c.absent) EXPECT_FALSE(has(id)) << c.present[0] << ": " << id;
    }
}

} // namespace
} // namespace quelso
