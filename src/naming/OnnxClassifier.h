#pragma once
// An image-classification model the user installs (ONNX, run with OpenCV DNN) and its
// label list, one label per line in the order of the model's outputs. Pictures are fed
// the way ImageNet classifiers expect: RGB scaled to the model's input size, values 0-1
// normalised with the ImageNet mean and deviation, NCHW (or NHWC when the model says so).
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/dnn.hpp>

#include "naming/ImageClassifier.h"

namespace quelso {

class OnnxClassifier final : public ImageClassifier {
public:
    // Absent when the model or the labels cannot be read, or the model is not ONNX.
    static std::unique_ptr<OnnxClassifier> load(const std::string& modelPath, const std::string& labelsPath);

    // The five most probable labels.
    std::vector<Classification> classify(const PixelImage& picture) const override;

    const std::vector<std::string>& labels() const { return labels_; }

    // "n02099601 golden retriever, Golden Retriever" -> "golden_retriever".
    static std::string labelIdentifier(const std::string& line);

private:
    OnnxClassifier() = default;
    cv::Mat inputBlob(const PixelImage& picture) const;

    mutable std::mutex mutex_; // a network keeps per-run state
    mutable cv::dnn::Net net_;
    std::vector<std::string> labels_;
    int inputWidth_ = 224;
    int inputHeight_ = 224;
    bool channelsLast_ = false;
};

struct ClassifierModelFiles {
    std::string model;
    std::string labels;
};

// Where the user put a classifier: QUELSO_CLASSIFIER_MODEL (labels from
// QUELSO_CLASSIFIER_LABELS or labels.txt beside the model), else model.onnx and
// labels.txt in $XDG_DATA_HOME/quelso/classifier (~/.local/share/quelso/classifier).
// Absent when neither names an existing model file.
std::optional<ClassifierModelFiles> configuredClassifierModel();

} // namespace quelso
