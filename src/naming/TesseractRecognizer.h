#pragma once
// Text recognition on Tesseract's LSTM engine. "en-US" reads with eng, "ar-SA" with ara
// plus fas where those files are installed. The picture is prepared once (light evened
// out, lines levelled, letters scaled to a readable height, turned upright) and each run
// reads on one thread. The later language runs are made only when the first one does not
// read the picture well. Only words Tesseract is sure of are reported, because on
// photographs it otherwise "reads" texture as letters.
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "naming/RecognitionImage.h"
#include "naming/TextRecognizer.h"

namespace quelso {

class TesseractRecognizer final : public TextRecognizer {
public:
    // Longer sides are reduced to this before anything else: a 12-megapixel photo reads
    // as well at this size and in less time.
    static constexpr int defaultMaxSide = RecognitionLimits{}.sourceSide;

    // dataPath: the folder holding the *.traineddata files.
    explicit TesseractRecognizer(std::string dataPath, RecognitionLimits limits = {});

    std::vector<std::string> supportedLanguages() const override;
    std::vector<RecognizedLine> recognize(const PixelImage& picture,
                                          const std::vector<std::string>& languages) const override;
    std::vector<std::vector<RecognizedLine>>
    recognizeEach(const PixelImage& picture, const std::vector<std::vector<std::string>>& groups) const override;

    // Tesseract's own language codes for a group, empty when none is installed.
    std::string tesseractLanguages(const std::vector<std::string>& languages) const;

    // Words below this confidence (0-100) are left out of a line.
    static constexpr float wordConfidenceFloor = 80.0f;

    // One run's lines and how well it read the picture.
    struct Reading {
        std::vector<RecognizedLine> lines;
        int words = 0;            // words found holding a letter or a digit
        int confidentWords = 0;   // those of them above the floor, in the run's script
        bool noTextLines = false; // the run found no line of text at all
        bool readsWell() const;
        double score() const; // confidence times characters, summed over the lines
    };

private:
    bool installed(const std::string& code) const;
    Reading read(const cv::Mat& page, const std::vector<std::string>& languages) const;
    // The page turned upright when the orientation model says how; absent when it stays.
    std::optional<cv::Mat> turnedUpright(const cv::Mat& page, bool onItsSide) const;
    // Reads the page, turning it upright first where needed (and leaving it turned).
    Reading readUpright(RecognitionImage& page, const std::vector<std::string>& languages) const;
    std::string dataPath_;
    RecognitionLimits limits_;
};

// TESSDATA_PREFIX when it is set, else the system's tessdata folder.
std::string defaultTessdataPath();

// The recognizer offline naming uses.
const TextRecognizer& tesseractRecognizer();

} // namespace quelso
