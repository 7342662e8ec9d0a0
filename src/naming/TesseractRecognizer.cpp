#include "naming/TesseractRecognizer.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

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

std::vector<RecognizedLine> confidentLines(tesseract::TessBaseAPI& engine, const std::vector<std::string>& languages) {
    std::vector<RecognizedLine> lines;
    std::unique_ptr<tesseract::ResultIterator> words(engine.GetIterator());
    if (!words || words->Empty(tesseract::RIL_WORD)) return lines;
    LineBuilder line;
    do {
        if (words->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) line.flushInto(lines);
        const std::unique_ptr<char[]> word(words->GetUTF8Text(tesseract::RIL_WORD));
        const float confidence = words->Confidence(tesseract::RIL_WORD);
        if (!word || confidence < TesseractRecognizer::wordConfidenceFloor) continue;
        // Tesseract reports blank "words" for empty regions, confidently.
        const std::string_view text = trimmedWhitespace(word.get());
        if (text.empty() || !reportsWord(languages, text)) continue;
        if (line.words > 0) line.text += ' ';
        line.text += text;
        line.confidenceSum += confidence;
        ++line.words;
    } while (words->Next(tesseract::RIL_WORD));
    line.flushInto(lines);
    return lines;
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

std::vector<RecognizedLine> TesseractRecognizer::read(const cv::Mat& page,
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

std::vector<RecognizedLine> TesseractRecognizer::recognize(const PixelImage& picture,
                                                           const std::vector<std::string>& languages) const {
    return read(recognitionImage(picture, limits_), languages);
}

std::vector<std::vector<RecognizedLine>>
TesseractRecognizer::recognizeEach(const PixelImage& picture,
                                   const std::vector<std::vector<std::string>>& groups) const {
    std::vector<std::vector<RecognizedLine>> runs(groups.size());
    if (groups.empty()) return runs;
    const cv::Mat page = recognitionImage(picture, limits_);
    // The later groups each read on a thread of their own while this one reads the first.
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < groups.size(); ++i) {
        try {
            helpers.emplace_back([&, i] { runs[i] = read(page, groups[i]); });
        } catch (const std::system_error&) {
            runs[i] = read(page, groups[i]);
        }
    }
    runs[0] = read(page, groups[0]);
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
