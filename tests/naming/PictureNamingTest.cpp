// Offline names of real pictures: an invoice that ImageMagick renders, photographs and
// turns (scripts/render-invoice.sh), and photos from a Debian package (pictures/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TestSupport.h"
#include "naming/SmartRename.h"
#include "naming/TesseractRecognizer.h"
#include "platform/ImageCodec.h"

namespace quelso {
namespace {

using Keywords = SmartRename::Keywords;

// Decoded as --suggest-name decodes a file for naming.
Keywords nameOf(const std::string& path) {
    const auto picture = ImageCodec::thumbnail(path, TesseractRecognizer::defaultMaxSide);
    return picture ? SmartRename::offlineKeywords(*picture, 5) : Keywords{};
}

bool allIn(const Keywords& words, const std::set<std::string>& vocabulary) {
    return std::all_of(words.begin(), words.end(), [&](const std::string& w) { return vocabulary.count(w) > 0; });
}

// Every word of three letters or more printed on the invoice.
const std::set<std::string> invoiceWords{
    "invoice", "date",    "march",    "due",      "april", "northwind",   "office",    "supplies", "ltd",
    "harbour", "street",  "bristol",  "bs1",      "4qa",   "accounts",    "example",   "bill",     "keller",
    "design",  "studio",  "mill",     "lane",     "bath",  "description", "qty",       "unit",     "price",
    "amount",  "printer", "paper",    "box",      "reams", "toner",       "cartridge", "black",    "desk",
    "lamp",    "dimmer",  "delivery", "subtotal", "vat",   "total",       "payment",   "bank",     "transfer",
    "within",  "days",    "western",  "counties", "sort",  "code",        "account",   "thank",    "business"};

TEST(PictureNaming, InvoiceScannedPhotographedOrTurnedIsNamedFromItsWords) {
    const test::TempDir dir;
    ASSERT_EQ(test::run({"bash", QUELSO_RENDER_INVOICE, dir.path().string()}).exitCode, 0);
    for (const char* file :
         {"scan.png", "photo.jpg", "rotated90.png", "rotated180.png", "rotated270.png", "skewed10.png"}) {
        const Keywords words = nameOf(dir.file(file));
        ASSERT_GE(words.size(), 3u) << file;
        EXPECT_EQ(words[0], "invoice") << file; // the heading, and the most frequent word
        EXPECT_TRUE(allIn(words, invoiceWords)) << file << ": " << testing::PrintToString(words);
    }
}

// What the scene tagger can say; a word outside it would have come from reading texture.
const std::set<std::string> labelWords{"face", "portrait", "person", "people",   "cat",     "document", "paper", "sky",
                                       "blue", "water",    "snow",   "greenery", "outdoor", "night",    "indoor"};

TEST(PictureNaming, PhotosAreNamedForWhatTheyShowNotForTextureOrColour) {
    const std::vector<std::pair<const char*, const char*>> photos{
        {"chelsea.jpg", "indoor"}, {"coffee.jpg", "indoor"},  {"rocket.jpg", "sky"},
        {"astronaut.jpg", "face"}, {"camera.jpg", "outdoor"}, {"hubble_deep_field.jpg", "night"}};
    for (const auto& [file, word] : photos) {
        const Keywords words = nameOf(std::string(QUELSO_NAMING_PICTURES) + "/" + file);
        EXPECT_NE(std::find(words.begin(), words.end(), word), words.end())
            << file << ": " << testing::PrintToString(words);
        EXPECT_TRUE(allIn(words, labelWords)) << file << ": " << testing::PrintToString(words);
    }
    // A page photographed under uneven light reads as text.
    const Keywords page = nameOf(std::string(QUELSO_NAMING_PICTURES) + "/page.jpg");
    EXPECT_TRUE(allIn(page, {"region", "based",      "segmentation", "let",   "first",   "determine", "markers",
                             "coins",  "background", "these",        "are",   "pixels",  "label",     "unambiguously",
                             "either", "object",     "here",         "found", "extreme", "parts",     "histogram",
                             "grey",   "values",     "zeros",        "like"}))
        << testing::PrintToString(page);
    EXPECT_GE(page.size(), 3u);
}

} // namespace
} // namespace quelso
