#pragma once
// The built-in labeller that needs no model download: faces, people and cat faces from
// OpenCV's stock Haar cascades, scenes (sky, water, snow, greenery, night, indoor,
// document) measured on the pixels, and the dominant colour as a last resort.
#include <string>

#include "naming/ImageClassifier.h"

namespace quelso {

class SceneTagger final : public ImageClassifier {
public:
    // cascadeFolder holds OpenCV's haarcascade_*.xml files; without them only the pixel
    // cues are reported.
    explicit SceneTagger(std::string cascadeFolder);

    // A colour says least about a picture, so it is kept apart from the subjects and scenes.
    struct Description {
        std::vector<Classification> labels; // face, portrait, person, people, cat and the scenes
        Classification colour;              // the dominant colour; empty identifier when none is clear
    };
    Description describe(const PixelImage& picture) const;

    // The subjects and scenes, or the colour when none of them is confident.
    std::vector<Classification> classify(const PixelImage& picture) const override;

private:
    std::string cascadeFolder_;
};

// Whether any label is confident enough to be used for a name.
bool namesSomething(const std::vector<Classification>& labels);

// The first of the usual install folders of OpenCV's cascades that exists.
std::string defaultCascadeFolder();

} // namespace quelso
