#include "naming/SceneTagger.h"

#include <algorithm>
#include <filesystem>

#include <opencv2/imgproc.hpp>

#include "naming/CascadeLabels.h"
#include "naming/OpaqueRGB.h"
#include "naming/PixelCues.h"

namespace quelso {

SceneTagger::SceneTagger(std::string cascadeFolder) : cascadeFolder_(std::move(cascadeFolder)) {}

std::vector<Classification> SceneTagger::classify(const PixelImage& picture) const {
    std::vector<Classification> labels;
    if (!isWellFormed(picture)) return labels;
    try {
        const cv::Mat detectionSize = opaqueRGB(picture, 800);
        labels = detectionLabels(cascadeFolder_, detectionSize);
        cv::Mat small;
        const int longest = std::max(detectionSize.cols, detectionSize.rows);
        if (longest > 400)
            cv::resize(detectionSize, small,
                       cv::Size(std::max(1, detectionSize.cols * 400 / longest),
                                std::max(1, detectionSize.rows * 400 / longest)),
                       0, 0, cv::INTER_AREA);
        else
            small = detectionSize;
        for (Classification& label : pixelLabels(measureCues(small))) labels.push_back(std::move(label));
    } catch (const cv::Exception&) {
        labels.clear();
    }
    return labels;
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
