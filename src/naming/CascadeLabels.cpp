#include "naming/CascadeLabels.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace quelso {

namespace {

// Cascades are not safe to share between threads; each thread loads its own once.
cv::CascadeClassifier* cascade(const std::string& folder, const char* file) {
    thread_local std::map<std::string, std::unique_ptr<cv::CascadeClassifier>> loaded;
    const std::string path = (std::filesystem::path(folder) / file).string();
    auto found = loaded.find(path);
    if (found == loaded.end()) {
        auto classifier = std::make_unique<cv::CascadeClassifier>();
        std::error_code error;
        try {
            if (!std::filesystem::is_regular_file(path, error) || !classifier->load(path)) classifier.reset();
        } catch (const cv::Exception&) {
            classifier.reset();
        }
        found = loaded.emplace(path, std::move(classifier)).first;
    }
    return found->second.get();
}

struct Detection {
    cv::Rect box;
    float confidence = 0;
};

// Detections, most confident first. A box's confidence grows with the number of
// overlapping raw hits that were merged into it.
std::vector<Detection> detect(cv::CascadeClassifier* classifier, const cv::Mat& gray, int minNeighbours) {
    std::vector<Detection> detections;
    if (!classifier) return detections;
    std::vector<cv::Rect> boxes;
    std::vector<int> hits;
    const int minSide = std::max(24, std::max(gray.cols, gray.rows) / 40);
    try {
        classifier->detectMultiScale(gray, boxes, hits, 1.15, minNeighbours, 0, cv::Size(minSide, minSide));
    } catch (const cv::Exception&) {
        return detections;
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const double n = i < hits.size() ? hits[i] : minNeighbours;
        detections.push_back({boxes[i], clampedConfidence(std::min(0.95, n / (n + 4.0)))});
    }
    std::stable_sort(detections.begin(), detections.end(),
                     [](const Detection& a, const Detection& b) { return a.confidence > b.confidence; });
    return detections;
}

bool overlaps(const cv::Rect& a, const cv::Rect& b) {
    const double shared = (a & b).area();
    return shared > 0 && shared / (a.area() + b.area() - shared) >= 0.3;
}

} // namespace

std::vector<Classification> detectionLabels(const std::string& folder, const cv::Mat& rgb) {
    std::vector<Classification> labels;
    cv::Mat gray;
    cv::cvtColor(rgb, gray, cv::COLOR_RGB2GRAY);
    cv::equalizeHist(gray, gray);

    // One face cascade alone fires on texture now and then; a face must be found by two.
    auto faces = detect(cascade(folder, "haarcascade_frontalface_default.xml"), gray, 5);
    if (!faces.empty()) {
        const auto confirmations = detect(cascade(folder, "haarcascade_frontalface_alt2.xml"), gray, 3);
        std::erase_if(faces, [&](const Detection& face) {
            return std::none_of(confirmations.begin(), confirmations.end(),
                                [&](const Detection& other) { return overlaps(face.box, other.box); });
        });
    }
    // The body cascade also takes silhouettes of animals and shelves of things for people;
    // only a body found many times over counts.
    const auto bodies = detect(cascade(folder, "haarcascade_fullbody.xml"), gray, 10);
    const auto cats = detect(cascade(folder, "haarcascade_frontalcatface_extended.xml"), gray, 6);

    if (!faces.empty()) {
        labels.push_back({"face", faces[0].confidence});
        const auto largest = std::max_element(faces.begin(), faces.end(), [](const Detection& a, const Detection& b) {
            return a.box.area() < b.box.area();
        });
        if (largest->box.width * 5 >= gray.cols) labels.push_back({"portrait", largest->confidence});
    }
    const float person = std::max(faces.empty() ? 0.0f : faces[0].confidence * 0.95f,
                                  bodies.empty() ? 0.0f : bodies[0].confidence * 0.9f);
    if (person > 0) labels.push_back({"person", person});
    if (faces.size() >= 2)
        labels.push_back({"people", faces[1].confidence});
    else if (bodies.size() >= 2)
        labels.push_back({"people", bodies[1].confidence * 0.9f});
    if (!cats.empty()) labels.push_back({"cat", cats[0].confidence});
    return labels;
}

} // namespace quelso
