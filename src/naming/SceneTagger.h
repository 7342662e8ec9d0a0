#pragma once
// The built-in labeller that needs no model download: faces, people and cat faces from
// OpenCV's stock Haar cascades, plus sky, greenery, night, document and dominant-colour
// cues measured on the pixels.
#include <string>

#include "naming/ImageClassifier.h"

namespace quelso {

class SceneTagger final : public ImageClassifier {
public:
    // cascadeFolder holds OpenCV's haarcascade_*.xml files; without them only the pixel
    // cues are reported.
    explicit SceneTagger(std::string cascadeFolder);
    std::vector<Classification> classify(const PixelImage& picture) const override;

private:
    std::string cascadeFolder_;
};

// The first of the usual install folders of OpenCV's cascades that exists.
std::string defaultCascadeFolder();

} // namespace quelso
