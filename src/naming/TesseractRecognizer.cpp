#include "naming/TesseractRecognizer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include <leptonica/allheaders.h>
#include <opencv2/imgproc.hpp>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include "naming/OpaqueRGB.h"
#include "platform/Utf8.h"

namespace quelso {

namespace {

struct LanguageMapping {
    const char* identifier;
    std::vector<const char*> codes; // tried in order; each is used when installed
    // Tesseract retries every doubtful word inverted. The Arabic-script pass over a Latin
    // page doubts every word, which doubled its time; it goes without the retry.
    bool invertDoubtfulWords;
};

// Persian shares the Arabic script, so the Arabic group reads with both models.
const std::vector<LanguageMapping> languageMappings{
    {"en-US", {"eng"}, true},
    {"ar-SA", {"ara", "fas"}, false},
};

void silenceLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

// Tesseract engines are not thread-safe and take a while to load, so every thread keeps
// its own, one per data folder and language set.
tesseract::TessBaseAPI* engineFor(const std::string& dataPath, const std::string& languages, bool invertWords) {
    thread_local std::map<std::string, std::unique_ptr<tesseract::TessBaseAPI>> engines;
    const std::string key = dataPath + '\n' + languages + (invertWords ? "\ninvert" : "");
    if (auto found = engines.find(key); found != engines.end()) return found->second.get();
    silenceLibraries();
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    std::vector<std::string> names{"debug_file", "tessedit_do_invert"};
    // Tesseract prints warnings unless told where to put them.
    std::vector<std::string> values{"/dev/null", invertWords ? "1" : "0"};
    if (engine->Init(dataPath.c_str(), languages.c_str(), tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values,
                     false) != 0)
        return nullptr;
    engine->SetPageSegMode(tesseract::PSM_AUTO);
    return engines.emplace(key, std::move(engine)).first->second.get();
}

cv::Mat grayForRecognition(const PixelImage& picture, int maxSide) {
    cv::Mat gray;
    cv::cvtColor(opaqueRGB(picture, maxSide), gray, cv::COLOR_RGB2GRAY);
    return gray;
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

} // namespace

TesseractRecognizer::TesseractRecognizer(std::string dataPath, int maxSide)
    : dataPath_(std::move(dataPath)), maxSide_(std::max(1, maxSide)) {}

bool TesseractRecognizer::installed(const std::string& code) const {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(dataPath_) / (code + ".traineddata"), error);
}

std::string TesseractRecognizer::tesseractLanguages(const std::vector<std::string>& languages) const {
    std::string codes;
    for (const std::string& language : languages) {
        for (const LanguageMapping& mapping : languageMappings) {
            if (language != mapping.identifier) continue;
            for (const char* code : mapping.codes) {
                if (!installed(code)) continue;
                if (!codes.empty()) codes += '+';
                codes += code;
            }
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

std::vector<RecognizedLine> TesseractRecognizer::recognize(const PixelImage& picture,
                                                           const std::vector<std::string>& languages) const {
    std::vector<RecognizedLine> lines;
    if (!isWellFormed(picture)) return lines;
    const std::string codes = tesseractLanguages(languages);
    if (codes.empty()) return lines;
    const bool invertWords = std::any_of(languages.begin(), languages.end(), [](const std::string& language) {
        return std::any_of(languageMappings.begin(), languageMappings.end(), [&](const LanguageMapping& mapping) {
            return language == mapping.identifier && mapping.invertDoubtfulWords;
        });
    });
    tesseract::TessBaseAPI* engine = engineFor(dataPath_, codes, invertWords);
    if (!engine) return lines;

    const cv::Mat gray = grayForRecognition(picture, maxSide_);
    engine->SetImage(gray.data, gray.cols, gray.rows, 1, static_cast<int>(gray.step));
    engine->SetSourceResolution(300);
    if (engine->Recognize(nullptr) == 0) {
        std::unique_ptr<tesseract::ResultIterator> words(engine->GetIterator());
        LineBuilder line;
        if (words && !words->Empty(tesseract::RIL_WORD)) {
            do {
                if (words->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) line.flushInto(lines);
                const std::unique_ptr<char[]> word(words->GetUTF8Text(tesseract::RIL_WORD));
                const float confidence = words->Confidence(tesseract::RIL_WORD);
                if (!word || confidence < wordConfidenceFloor) continue;
                // Tesseract reports blank "words" for empty regions, confidently.
                const std::string_view text = trimmedWhitespace(word.get());
                if (text.empty()) continue;
                if (line.words > 0) line.text += ' ';
                line.text += text;
                line.confidenceSum += confidence;
                ++line.words;
            } while (words->Next(tesseract::RIL_WORD));
        }
        line.flushInto(lines);
    }
    engine->Clear();
    return lines;
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
