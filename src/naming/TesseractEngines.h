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

struct EngineSetup {
    std::string codes;              // Tesseract's language codes, such as "eng" or "ara+fas"
    bool invertWords = false;       // retry doubtful words as light text on dark ground
    bool detectOrientation = false; // turn pages lying on their side or upside down first
};

// An LSTM engine with automatic page layout; null when it cannot be loaded. Orientation is
// detected only where osd.traineddata is installed.
LentEngine lendEngine(const std::string& dataPath, const EngineSetup& setup);

// Tesseract's own loops run on the calling thread only. Several of them spread over every
// core at once and spin against each other (and against a second recognition run) far
// longer than they compute.
void keepRecognitionOnThisThread();

} // namespace quelso
