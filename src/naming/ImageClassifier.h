#pragma once
// Image classification as offline naming uses it: label identifiers (lower-case words
// joined by underscores, such as "blue_sky") with confidences from 0 to 1.
#include <algorithm>
#include <string>
#include <vector>

#include "core/PixelImage.h"

namespace quelso {

struct Classification {
    std::string identifier;
    float confidence = 0;
};

// A measured value as a confidence, limited to 0..1.
inline float clampedConfidence(double value) { return static_cast<float>(std::clamp(value, 0.0, 1.0)); }

class ImageClassifier {
public:
    virtual ~ImageClassifier() = default;
    // Labels in the classifier's own order; a failed run gives none. Safe to call from
    // several threads at once.
    virtual std::vector<Classification> classify(const PixelImage& picture) const = 0;
};

} // namespace quelso
