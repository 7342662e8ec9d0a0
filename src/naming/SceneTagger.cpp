#include "naming/SceneTagger.h"

#include <algorithm>
#include <filesystem>

#include <opencv2/imgproc.hpp>

#include "naming/CascadeLabels.h"
#include "naming/OpaqueRGB.h"
#include "naming/PixelCues.h"

namespace quelso {

SceneTagger::SceneTagger(std::string cascadeFolder) : cascadeFolder_(std::move(cascadeFolder)) {}

SceneTagger::Description SceneTagger::describe(const PixelImage& picture) const {
    Description description;
    if (!isWellFormed(picture)) return description;
    try {
        // Faces and cats that a name should mention are not tiny; cascades over larger
        // pictures cost more than the rest of naming together.
        const cv::Mat detectionSize = opaqueRGB(picture, 480);
        description.labels = detectionLabels(cascadeFolder_, detectionSize);
        cv::Mat small;
        const int longest = std::max(detectionSize.cols, detectionSize.rows);
        if (longest > 400)
            cv::resize(detectionSize, small,
                       cv::Size(std::max(1, detectionSize.cols * 400 / longest),
                                std::max(1, detectionSize.rows * 400 / longest)),
                       0, 0, cv::INTER_AREA);
        else
            small = detectionSize;
        const PixelCues cues = measureCues(small);
        for (Classification& label : pixelLabels(cues)) description.labels.push_back(std::move(label));
        description.colour = colourLabel(cues);
    } catch (const cv::Exception&) {
        description = {};
    }
    return description;
}

std::vector<Classification> SceneTagger::classify(const PixelImage& picture) const {
    Description description = describe(picture);
    if (!namesSomething(description.labels) && !description.colour.identifier.empty())
        description.labels.push_back(std::move(description.colour));
    return description.labels;
}

bool namesSomething(const std::vector<Classification>& labels) {
    return std::any_of(labels.begin(), labels.end(),
                       [](const Classification& label) { return label.confidence > 0.25f; });
}

std::string defaultCascadeFolder() {
    for (const char* folder : {"/usr/share/opencv4/haarcascades", "/usr/local/share/opencv4/haarcascades",
                               "/usr/share/opencv/haarcascades"}) {
        std::error_code error;
        if (std::filesystem::is_directory(folder, error)) return folder;
    }
    return "/usr/share/opencv4/haarcascades";
}

} // namespace quelso
