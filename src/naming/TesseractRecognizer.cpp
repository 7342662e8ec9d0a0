#include "naming/TesseractRecognizer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include <opencv2/core.hpp>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include "naming/TesseractEngines.h"
#include "naming/UnicodeText.h"
#include "platform/Utf8.h"

namespace quelso {

namespace {

struct LanguageMapping {
    const char* identifier;
    std::vector<const char*> codes; // tried in order; each is used when installed
    // Tesseract retries every doubtful word inverted. The Arabic-script pass over a Latin
    // page doubts every word, which doubled its time; it goes without the retry.
    bool invertDoubtfulWords;
    // Words a run of these languages reports. Read with Arabic models, a Latin page turns
    // into confident digits and punctuation, which could outscore a soft photo of the page
    // read in English; an Arabic-script run reports only words with Arabic-script letters.
    bool (*reportsWord)(std::string_view word);
};

bool anyWord(std::string_view) { return true; }

// Persian shares the Arabic script, so the Arabic group reads with both models.
const std::vector<LanguageMapping> languageMappings{
    {"en-US", {"eng"}, true, anyWord},
    {"ar-SA", {"ara", "fas"}, false, UnicodeText::hasArabicScriptLetter},
};

const LanguageMapping* mappingOf(const std::string& language) {
    for (const LanguageMapping& mapping : languageMappings)
        if (language == mapping.identifier) return &mapping;
    return nullptr;
}

bool invertsDoubtfulWords(const std::vector<std::string>& languages) {
    return std::any_of(languages.begin(), languages.end(), [](const std::string& language) {
        const LanguageMapping* mapping = mappingOf(language);
        return mapping && mapping->invertDoubtfulWords;
    });
}

// A word is reported when one of the group's languages reports it.
bool reportsWord(const std::vector<std::string>& languages, std::string_view word) {
    return std::any_of(languages.begin(), languages.end(), [&](const std::string& language) {
        const LanguageMapping* mapping = mappingOf(language);
        return mapping && mapping->reportsWord(word);
    });
}

struct LineBuilder {
    std::string text;
    float confidenceSum = 0;
    int words = 0;

    void flushInto(std::vector<RecognizedLine>& lines) {
        if (words > 0) lines.push_back({text, confidenceSum / static_cast<float>(words) / 100.0f});
        text.clear();
        confidenceSum = 0;
        words = 0;
    }
};

// A page read well has most of its words above the floor. Below this share the page is
// upside down, in another script or too soft to read.
constexpr double wellReadShare = 0.6;
// How sure the orientation model must be that a page is upside down before it is read
// turned (its answers on soft photographs of upright pages stay well below this).
constexpr float sureUpsideDown = 2.0f;

TesseractRecognizer::Reading confidentLines(tesseract::TessBaseAPI& engine, const std::vector<std::string>& languages) {
    TesseractRecognizer::Reading reading;
    std::unique_ptr<tesseract::ResultIterator> words(engine.GetIterator());
    if (!words) return reading;
    reading.noTextLines = words->Empty(tesseract::RIL_WORD);
    if (reading.noTextLines) return reading;
    LineBuilder line;
    do {
        if (words->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) line.flushInto(reading.lines);
        const std::unique_ptr<char[]> word(words->GetUTF8Text(tesseract::RIL_WORD));
        if (!word) continue;
        // Tesseract reports blank "words" for empty regions, confidently.
        const std::string_view text = trimmedWhitespace(word.get());
        if (text.empty()) continue;
        // Stray marks say nothing about how well the text was read.
        const int legible = UnicodeText::letterNumberRuns(text).empty() ? 0 : 1;
        reading.words += legible;
        const float confidence = words->Confidence(tesseract::RIL_WORD);
        if (confidence < TesseractRecognizer::wordConfidenceFloor || !reportsWord(languages, text)) continue;
        reading.confidentWords += legible;
        if (line.words > 0) line.text += ' ';
        line.text += text;
        line.confidenceSum += confidence;
        ++line.words;
    } while (words->Next(tesseract::RIL_WORD));
    line.flushInto(reading.lines);
    return reading;
}

} // namespace

TesseractRecognizer::TesseractRecognizer(std::string dataPath, RecognitionLimits limits)
    : dataPath_(std::move(dataPath)), limits_(limits) {}

bool TesseractRecognizer::installed(const std::string& code) const {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(dataPath_) / (code + ".traineddata"), error);
}

std::string TesseractRecognizer::tesseractLanguages(const std::vector<std::string>& languages) const {
    std::string codes;
    for (const std::string& language : languages) {
        const LanguageMapping* mapping = mappingOf(language);
        for (const char* code : mapping ? mapping->codes : std::vector<const char*>{}) {
            if (!installed(code)) continue;
            if (!codes.empty()) codes += '+';
            codes += code;
        }
    }
    return codes;
}

std::vector<std::string> TesseractRecognizer::supportedLanguages() const {
    std::vector<std::string> supported;
    for (const LanguageMapping& mapping : languageMappings)
        if (!tesseractLanguages({mapping.identifier}).empty()) supported.push_back(mapping.identifier);
    return supported;
}

bool TesseractRecognizer::Reading::readsWell() const {
    return confidentWords > 0 && confidentWords >= wellReadShare * words;
}

double TesseractRecognizer::Reading::score() const {
    double sum = 0;
    for (const RecognizedLine& line : lines)
        sum += static_cast<double>(line.confidence) * static_cast<double>(UnicodeText::characterCount(line.text));
    return sum;
}

TesseractRecognizer::Reading TesseractRecognizer::read(const cv::Mat& page,
                                                       const std::vector<std::string>& languages) const {
    const std::string codes = tesseractLanguages(languages);
    if (page.empty() || codes.empty()) return {};
    keepRecognitionOnThisThread();
    const LentEngine engine = lendEngine(dataPath_, codes, invertsDoubtfulWords(languages));
    if (!engine) return {};
    engine->SetImage(page.data, page.cols, page.rows, 1, static_cast<int>(page.step));
    // The page was scaled so that its letters are as tall as print scanned at this density.
    engine->SetSourceResolution(300);
    if (engine->Recognize(nullptr) != 0) return {};
    return confidentLines(*engine, languages);
}

std::optional<cv::Mat> TesseractRecognizer::turnedUpright(const cv::Mat& page, bool onItsSide) const {
    keepRecognitionOnThisThread();
    const LentEngine engine = lendOrientationEngine(dataPath_);
    if (!engine) return std::nullopt;
    engine->SetImage(page.data, page.cols, page.rows, 1, static_cast<int>(page.step));
    engine->SetSourceResolution(300);
    int degrees = 0;
    float confidence = 0, scriptConfidence = 0;
    const char* script = nullptr;
    if (!engine->DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence)) return std::nullopt;
    // The layout has shown which pages lie on their side; for those the model only says
    // which side. A page read poorly is more often soft than upside down.
    const bool turn = onItsSide ? degrees == 90 || degrees == 270 : degrees == 180 && confidence >= sureUpsideDown;
    if (!turn) return std::nullopt;
    cv::Mat upright;
    cv::rotate(page, upright,
               degrees == 90    ? cv::ROTATE_90_COUNTERCLOCKWISE
               : degrees == 270 ? cv::ROTATE_90_CLOCKWISE
                                : cv::ROTATE_180);
    return upright;
}

TesseractRecognizer::Reading TesseractRecognizer::readUpright(RecognitionImage& page,
                                                              const std::vector<std::string>& languages) const {
    // Asking which way up a page is costs about half a reading, so it is asked only of a
    // page on its side or one that reads poorly as it stands.
    if (page.isPage && page.onItsSide)
        if (auto upright = turnedUpright(page.gray, true)) page.gray = std::move(*upright);
    Reading reading = read(page.gray, languages);
    if (page.isPage && !page.onItsSide && !reading.readsWell()) {
        if (auto upright = turnedUpright(page.gray, false)) {
            // Kept unless it reads worse: in another script both ways read poorly, and the
            // model is the better judge.
            Reading turned = read(*upright, languages);
            if (turned.score() >= reading.score()) {
                page.gray = std::move(*upright);
                reading = std::move(turned);
            }
        }
    }
    return reading;
}

std::vector<RecognizedLine> TesseractRecognizer::recognize(const PixelImage& picture,
                                                           const std::vector<std::string>& languages) const {
    RecognitionImage page = recognitionImage(picture, limits_);
    return readUpright(page, languages).lines;
}

std::vector<std::vector<RecognizedLine>>
TesseractRecognizer::recognizeEach(const PixelImage& picture,
                                   const std::vector<std::vector<std::string>>& groups) const {
    std::vector<std::vector<RecognizedLine>> runs(groups.size());
    if (groups.empty()) return runs;
    RecognitionImage page = recognitionImage(picture, limits_);
    const Reading first = readUpright(page, groups[0]);
    runs[0] = first.lines;
    // Text in another script reads as doubtful words, so a picture the first run reads well
    // is in that run's script: the other runs would score lower and only cost time. Where
    // the layout found no line of text (it does not depend on the language), they would
    // find none either.
    if (first.readsWell() || first.noTextLines) return runs;
    // The other groups read side by side, each on a thread of its own.
    std::vector<std::thread> helpers;
    for (std::size_t i = 2; i < groups.size(); ++i) {
        try {
            helpers.emplace_back([&, i] { runs[i] = read(page.gray, groups[i]).lines; });
        } catch (const std::system_error&) {
            runs[i] = read(page.gray, groups[i]).lines;
        }
    }
    if (groups.size() > 1) runs[1] = read(page.gray, groups[1]).lines;
    for (std::thread& helper : helpers) helper.join();
    return runs;
}

std::string defaultTessdataPath() {
    if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix && *prefix) return prefix;
    return "/usr/share/tesseract-ocr/5/tessdata";
}

const TextRecognizer& tesseractRecognizer() {
    static const TesseractRecognizer recognizer(defaultTessdataPath());
    return recognizer;
}

} // namespace quelso
