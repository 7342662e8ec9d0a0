#include "naming/OnnxClassifier.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sstream>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgproc.hpp>

#include "naming/OnnxModelInfo.h"
#include "naming/OpaqueRGB.h"
#include "naming/UnicodeText.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

namespace quelso {

namespace {

constexpr std::size_t labelsReported = 5;
constexpr std::uint64_t largestModelBytes = std::uint64_t{2} << 30;
constexpr std::uint64_t largestLabelsBytes = std::uint64_t{16} << 20;

std::vector<std::string> labelLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && trimmedWhitespace(lines.back()).empty()) lines.pop_back();
    return lines;
}

// Scores that are already a distribution are kept; anything else goes through softmax.
std::vector<double> probabilities(const std::vector<float>& scores) {
    std::vector<double> values(scores.begin(), scores.end());
    if (std::any_of(values.begin(), values.end(), [](double v) { return !std::isfinite(v); })) return {};
    const double sum = std::accumulate(values.begin(), values.end(), 0.0);
    const bool distribution = std::all_of(values.begin(), values.end(), [](double v) { return v >= 0 && v <= 1; }) &&
                              std::abs(sum - 1.0) < 0.01;
    if (distribution) return values;
    const double top = *std::max_element(values.begin(), values.end());
    double total = 0;
    for (double& v : values) total += (v = std::exp(v - top));
    for (double& v : values) v /= total;
    return values;
}

void silenceOpenCV() {
    static std::once_flag once;
    std::call_once(once, [] { cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT); });
}

} // namespace

std::unique_ptr<OnnxClassifier> OnnxClassifier::load(const std::string& modelPath, const std::string& labelsPath) {
    const auto model = Files::read(modelPath, largestModelBytes);
    const auto labelText = Files::read(labelsPath, largestLabelsBytes);
    if (!model || !labelText || model->empty()) return nullptr;
    std::unique_ptr<OnnxClassifier> classifier(new OnnxClassifier());
    classifier->labels_ = labelLines(std::string(labelText->begin(), labelText->end()));
    if (classifier->labels_.empty()) return nullptr;

    const char* modelBytes = reinterpret_cast<const char*>(model->data());
    if (const auto shape = OnnxModelInfo::inputShape({modelBytes, model->size()}); shape && shape->size() == 4) {
        const auto& dims = *shape;
        classifier->channelsLast_ = dims[1] != 3 && dims[3] == 3;
        const std::int64_t height = classifier->channelsLast_ ? dims[1] : dims[2];
        const std::int64_t width = classifier->channelsLast_ ? dims[2] : dims[3];
        if (height > 0 && height <= 4096) classifier->inputHeight_ = static_cast<int>(height);
        if (width > 0 && width <= 4096) classifier->inputWidth_ = static_cast<int>(width);
    }
    silenceOpenCV();
    try {
        classifier->net_ = cv::dnn::readNetFromONNX(modelBytes, model->size());
    } catch (const cv::Exception&) {
        return nullptr;
    }
    if (classifier->net_.empty()) return nullptr;
    classifier->net_.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
    classifier->net_.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
    return classifier;
}

cv::Mat OnnxClassifier::inputBlob(const PixelImage& picture) const {
    // The usual evaluation crop: shorter side to 256/224 of the input, centre cut.
    const cv::Mat rgb = opaqueRGB(picture, 4 * std::max(inputWidth_, inputHeight_));
    const double scale =
        std::max(static_cast<double>(inputWidth_) / rgb.cols, static_cast<double>(inputHeight_) / rgb.rows) * 256.0 /
        224.0;
    cv::Mat resized;
    cv::resize(rgb, resized,
               cv::Size(std::max(inputWidth_, static_cast<int>(std::lround(rgb.cols * scale))),
                        std::max(inputHeight_, static_cast<int>(std::lround(rgb.rows * scale)))),
               0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    const cv::Mat crop = resized(
        cv::Rect((resized.cols - inputWidth_) / 2, (resized.rows - inputHeight_) / 2, inputWidth_, inputHeight_));

    static constexpr float mean[3] = {0.485f, 0.456f, 0.406f};
    static constexpr float deviation[3] = {0.229f, 0.224f, 0.225f};
    const int channelsFirst[4] = {1, 3, inputHeight_, inputWidth_};
    const int channelsLast[4] = {1, inputHeight_, inputWidth_, 3};
    cv::Mat blob(4, channelsLast_ ? channelsLast : channelsFirst, CV_32F);
    float* out = blob.ptr<float>();
    const std::size_t plane = static_cast<std::size_t>(inputWidth_) * inputHeight_;
    for (int y = 0; y < inputHeight_; ++y) {
        const cv::Vec3b* row = crop.ptr<cv::Vec3b>(y);
        for (int x = 0; x < inputWidth_; ++x) {
            const std::size_t pixel = static_cast<std::size_t>(y) * inputWidth_ + x;
            for (int c = 0; c < 3; ++c) {
                const float value = (row[x][c] / 255.0f - mean[c]) / deviation[c];
                out[channelsLast_ ? pixel * 3 + c : c * plane + pixel] = value;
            }
        }
    }
    return blob;
}

std::vector<Classification> OnnxClassifier::classify(const PixelImage& picture) const {
    if (!isWellFormed(picture)) return {};
    std::vector<float> scores;
    try {
        const cv::Mat blob = inputBlob(picture);
        const std::lock_guard lock(mutex_);
        net_.setInput(blob);
        const cv::Mat output = net_.forward();
        if (output.depth() != CV_32F || !output.isContinuous()) return {};
        scores.assign(output.ptr<float>(), output.ptr<float>() + output.total());
    } catch (const cv::Exception&) {
        return {};
    }
    if (scores.size() != labels_.size()) return {};
    const std::vector<double> probability = probabilities(scores);
    if (probability.empty()) return {};
    std::vector<std::size_t> order(probability.size());
    std::iota(order.begin(), order.end(), 0);
    const std::size_t count = std::min(labelsReported, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count), order.end(),
                      [&](std::size_t a, std::size_t b) {
                          return probability[a] > probability[b] || (probability[a] == probability[b] && a < b);
                      });
    std::vector<Classification> result;
    for (std::size_t i = 0; i < count; ++i) {
        std::string identifier = labelIdentifier(labels_[order[i]]);
        if (!identifier.empty()) result.push_back({std::move(identifier), static_cast<float>(probability[order[i]])});
    }
    return result;
}

std::string OnnxClassifier::labelIdentifier(const std::string& line) {
    std::string_view text = trimmedWhitespace(line);
    // WordNet ids ("n01440764") lead ImageNet label lists.
    if (text.size() > 10 && text[0] == 'n' && text[9] == ' ' &&
        std::all_of(text.begin() + 1, text.begin() + 9, [](char c) { return c >= '0' && c <= '9'; }))
        text.remove_prefix(10);
    text = text.substr(0, text.find(','));
    std::string identifier;
    for (const std::string& word : UnicodeText::letterNumberRuns(UnicodeText::lowerCased(text))) {
        if (!identifier.empty()) identifier += '_';
        identifier += word;
    }
    return identifier;
}

std::optional<ClassifierModelFiles> configuredClassifierModel() {
    namespace fs = std::filesystem;
    std::error_code error;
    if (const char* model = std::getenv("QUELSO_CLASSIFIER_MODEL"); model && *model) {
        if (!fs::is_regular_file(model, error)) return std::nullopt;
        const char* labels = std::getenv("QUELSO_CLASSIFIER_LABELS");
        return ClassifierModelFiles{model, labels && *labels ? std::string(labels)
                                                             : (fs::path(model).parent_path() / "labels.txt").string()};
    }
    fs::path dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && fs::path(xdg).is_absolute())
        dataHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dataHome = fs::path(home) / ".local" / "share";
    else
        return std::nullopt;
    const fs::path folder = dataHome / "quelso" / "classifier";
    if (!fs::is_regular_file(folder / "model.onnx", error)) return std::nullopt;
    return ClassifierModelFiles{(folder / "model.onnx").string(), (folder / "labels.txt").string()};
}

} // namespace quelso
