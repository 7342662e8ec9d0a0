#pragma once
// Loaded Tesseract engines, lent out one caller at a time. An engine takes a while to load
// and is not safe to share, so finished ones wait in a pool for the next run with the same
// data folder and languages, on whatever thread it comes.
#include <memory>
#include <string>

namespace tesseract {
class TessBaseAPI;
}

namespace quelso {

struct EngineReturn {
    std::string key;
    void operator()(tesseract::TessBaseAPI* engine) const;
};
using LentEngine = std::unique_ptr<tesseract::TessBaseAPI, EngineReturn>;

// An LSTM engine with automatic page layout for Tesseract's language codes ("eng",
// "ara+fas"); null when it cannot be loaded. It reads the page as it is given: turning a
// page upright is left to the caller, who knows when it is worth asking.
// invertWords: retry doubtful words as light text on dark ground.
LentEngine lendEngine(const std::string& dataPath, const std::string& codes, bool invertWords);

// An engine that only tells which way up a page is (Tesseract's orientation model,
// osd.traineddata); null when that model is not installed.
LentEngine lendOrientationEngine(const std::string& dataPath);

// Tesseract's own loops run on the calling thread only. Several of them spread over every
// core at once and spin against each other (and against a second recognition run) far
// longer than they compute.
void keepRecognitionOnThisThread();

} // namespace quelso
