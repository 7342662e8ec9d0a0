#pragma once
// Text recognition on Tesseract's LSTM engine. "en-US" reads with eng, "ar-SA" with ara
// plus fas where those files are installed. Only words Tesseract is sure of are reported,
// because on photographs it otherwise "reads" texture as letters.
#include <string>
#include <vector>

#include "naming/TextRecognizer.h"

namespace quelso {

class TesseractRecognizer final : public TextRecognizer {
public:
    // Longer sides are reduced to this before recognition: a 12-megapixel photo reads
    // as well at this size and in less time.
    static constexpr int defaultMaxSide = 3200;

    // dataPath: the folder holding the *.traineddata files.
    explicit TesseractRecognizer(std::string dataPath, int maxSide = defaultMaxSide);

    std::vector<std::string> supportedLanguages() const override;
    std::vector<RecognizedLine> recognize(const PixelImage& picture,
                                          const std::vector<std::string>& languages) const override;

    // Tesseract's own language codes for a group, empty when none is installed.
    std::string tesseractLanguages(const std::vector<std::string>& languages) const;

    // Words below this confidence (0-100) are left out of a line.
    static constexpr float wordConfidenceFloor = 80.0f;

private:
    bool installed(const std::string& code) const;
    std::string dataPath_;
    int maxSide_;
};

// TESSDATA_PREFIX when it is set, else the system's tessdata folder.
std::string defaultTessdataPath();

// The recognizer offline naming uses.
const TextRecognizer& tesseractRecognizer();

} // namespace quelso
