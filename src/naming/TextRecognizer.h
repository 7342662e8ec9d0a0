#pragma once
// Text recognition as offline naming uses it: which language groups can be read, and the
// lines one run over a picture finds, each with a confidence from 0 to 1.
#include <string>
#include <vector>

#include "core/PixelImage.h"

namespace quelso {

struct RecognizedLine {
    std::string text; // UTF-8, the recognizer's best reading of the line
    float confidence = 0;
};

class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    // Language identifiers such as "en-US" this recognizer can read; empty on failure.
    virtual std::vector<std::string> supportedLanguages() const = 0;
    // One run over the picture with the given languages, lines in reading order. A failed
    // run gives no lines. Safe to call from several threads at once.
    virtual std::vector<RecognizedLine> recognize(const PixelImage& picture,
                                                  const std::vector<std::string>& languages) const = 0;
    // One run per language group over the same picture, results in the groups' order. A
    // recognizer that can share work between the runs does, and it may leave a later run
    // empty when an earlier one read the picture too well for it to score higher. By
    // default they all run, in turn.
    virtual std::vector<std::vector<RecognizedLine>>
    recognizeEach(const PixelImage& picture, const std::vector<std::vector<std::string>>& groups) const {
        std::vector<std::vector<RecognizedLine>> runs;
        for (const auto& group : groups) runs.push_back(recognize(picture, group));
        return runs;
    }
};

} // namespace quelso
