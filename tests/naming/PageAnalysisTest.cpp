// What text recognition measures before reading: the light of a page, its letters and
// lines, and which words an Arabic-script run reports.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <opencv2/imgproc.hpp>

#include "NamingPictures.h"
#include "naming/PageLight.h"
#include "naming/SmartRename.h"
#include "naming/TesseractRecognizer.h"
#include "naming/TextLayoutCues.h"
#include "naming/UnicodeText.h"

namespace quelso {
namespace {

cv::Mat grayOf(const PixelImage& picture) {
    const cv::Mat rgba(static_cast<int>(picture.height), static_cast<int>(picture.width), CV_8UC4,
                       const_cast<std::uint8_t*>(picture.rgba.data()));
    cv::Mat gray;
    cv::cvtColor(rgba, gray, cv::COLOR_RGBA2GRAY);
    return gray;
}

// Turned clockwise on screen by the given degrees, about the centre, white corners.
cv::Mat turnedClockwise(const cv::Mat& gray, double degrees) {
    cv::Mat turned;
    cv::warpAffine(gray, turned, cv::getRotationMatrix2D(cv::Point2f(gray.cols / 2.0f, gray.rows / 2.0f), -degrees, 1),
                   gray.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(255));
    return turned;
}

PixelImage pictureOf(const cv::Mat& gray) {
    cv::Mat rgba;
    cv::cvtColor(gray, rgba, cv::COLOR_GRAY2RGBA);
    PixelImage picture{{}, rgba.cols, rgba.rows, std::nullopt};
    picture.rgba.assign(rgba.data, rgba.data + rgba.total() * 4);
    return picture;
}

const std::vector<std::string> prose(16, "Quarterly report of the harbour office, page two");

TEST(PageLayout, LinesAreFoundLevelledAndMeasured) {
    // 22-pixel type: capitals and ascenders about 16 pixels, x-height about 12.
    const cv::Mat page = grayOf(pictures::textPage(prose, 22, 900, 900));
    for (double degrees : {0.0, 4.0, -7.5, 12.0}) {
        const auto lines = textLines(letterBlobs(inkMask(turnedClockwise(page, degrees))));
        ASSERT_TRUE(lines) << degrees;
        EXPECT_NEAR(lines->levellingAngle, degrees, 0.5) << degrees;
        EXPECT_FALSE(lines->onItsSide) << degrees;
        EXPECT_GE(lines->letterHeight, 10) << degrees;
        EXPECT_LE(lines->letterHeight, 18) << degrees;
    }
    // A page on its side (turned a quarter and a little): its columns are levelled plumb.
    cv::Mat side;
    cv::rotate(page, side, cv::ROTATE_90_CLOCKWISE);
    const auto plumb = textLines(letterBlobs(inkMask(turnedClockwise(side, 5))));
    ASSERT_TRUE(plumb);
    EXPECT_NEAR(plumb->levellingAngle, 5, 0.5);
    EXPECT_TRUE(plumb->onItsSide);

    // Blobs of letter size scattered at random stand in no lines.
    cv::Mat scattered(900, 900, CV_8U, cv::Scalar(255));
    std::mt19937 random(5);
    for (int i = 0; i < 400; ++i)
        cv::circle(scattered, cv::Point(static_cast<int>(random() % 880) + 10, static_cast<int>(random() % 880) + 10),
                   5, cv::Scalar(0), 2);
    EXPECT_FALSE(textLines(letterBlobs(inkMask(scattered))));
}

TEST(PageLayout, UnevenLightIsEvenedOutAndInkStaysDark) {
    // A page lit from the top-left: paper falls from 250 to 110, ink lies 60 below it.
    cv::Mat page = grayOf(pictures::textPage(prose, 22, 900, 900));
    for (int y = 0; y < page.rows; ++y)
        for (int x = 0; x < page.cols; ++x) {
            const double light = 250 - 140.0 * (x + y) / (page.cols + page.rows);
            std::uint8_t& p = page.at<std::uint8_t>(y, x);
            p = static_cast<std::uint8_t>(p < 128 ? light - 60 : light);
        }
    const cv::Mat even = evenedOut(page);
    const cv::Mat ink = inkMask(even);
    for (const cv::Point corner : {cv::Point(880, 880), cv::Point(5, 5), cv::Point(450, 890)})
        EXPECT_GE(even.at<std::uint8_t>(corner), 235) << corner; // paper is white everywhere
    // The letters of the darkest line are still ink.
    const auto lines = textLines(letterBlobs(ink));
    ASSERT_TRUE(lines);
    EXPECT_NEAR(lines->levellingAngle, 0, 0.3);
}

TEST(ArabicScriptRun, ReportsOnlyWordsWithArabicLetters) {
    EXPECT_TRUE(UnicodeText::hasArabicScriptLetter(pictures::salam));
    EXPECT_TRUE(UnicodeText::hasArabicScriptLetter("42\u0645"));
    for (const char* word : {"", "2024", "\u06f1\u06f2\u06f3" /* Persian digits */, "Invoice", "\u060c"})
        EXPECT_FALSE(UnicodeText::hasArabicScriptLetter(word)) << word;
    // Read with the Arabic models, an English page of dates and sums yields no bare numbers.
    const PixelImage english =
        pictures::textPage({"Invoice 2024-0317", "Total 1,250.00", "Due 16.04.2024", "Room 42"}, 40, 900, 400);
    for (const RecognizedLine& line : tesseractRecognizer().recognize(english, {"ar-SA"}))
        EXPECT_TRUE(UnicodeText::hasArabicScriptLetter(line.text)) << line.text;
}

TEST(ArabicScriptRun, UpsideDownPersianPageIsTurnedAndRead) {
    // "Iran National Library" / "This is a test text written for reading" / "The Iran
    // National Library is in Tehran" / the second line again / "Hello world".
    const std::string sentence = "\u0627\u06cc\u0646 \u06cc\u06a9 \u0645\u062a\u0646 "
                                 "\u0622\u0632\u0645\u0627\u06cc\u0634\u06cc \u0627\u0633\u062a \u06a9\u0647 "
                                 "\u0628\u0631\u0627\u06cc \u062e\u0648\u0627\u0646\u062f\u0646 "
                                 "\u0646\u0648\u0634\u062a\u0647 \u0634\u062f\u0647 \u0627\u0633\u062a";
    using pictures::library;
    const std::vector<std::string> lines{library, sentence,
                                         library + " \u062f\u0631 \u062a\u0647\u0631\u0627\u0646 \u0627\u0633\u062a",
                                         sentence, pictures::salam + " " + pictures::donya};
    cv::Mat page = grayOf(pictures::textPage(lines, 34, 1200, 420));
    cv::rotate(page, page, cv::ROTATE_180);
    const auto words = SmartRename::offlineKeywords(pictureOf(page), 5);
    const auto written = SmartRename::transliteratedKeywords(lines, 100);
    EXPECT_GE(words.size(), 3u);
    for (const std::string& word : words)
        EXPECT_NE(std::find(written.begin(), written.end(), word), written.end()) << word;
}

} // namespace
} // namespace quelso
