#include "naming/SceneTagger.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <memory>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include "naming/OpaqueRGB.h"

namespace quelso {

namespace {

float clamp01(double value) { return static_cast<float>(std::clamp(value, 0.0, 1.0)); }

// Shares (0-1) of pixels showing each cue. Hues are OpenCV's 0-180 scale.
struct PixelCues {
    double blueSky = 0, paleSky = 0;      // within the top 40 % of the picture
    double topValue = 0, bottomValue = 0; // mean brightness above and below that line
    double greenery = 0, white = 0, colourful = 0, dark = 0, deepDark = 0, meanValue = 0, darkEdges = 0;
    std::string dominantColour;
    double dominantShare = 0;
};

const char* colourName(const cv::Vec3b& hsv) {
    const int h = hsv[0], s = hsv[1], v = hsv[2];
    if (v < 40) return "black";
    if (s < 30) return v >= 215 ? "white" : "gray";
    if (s < 70 || v < 70) return nullptr; // muted: no clear colour
    if (h < 10 || h >= 170) return "red";
    if (h < 22) return "orange";
    if (h < 34) return "yellow";
    if (h < 85) return "green";
    if (h < 100) return "teal";
    if (h < 130) return "blue";
    if (h < 150) return "purple";
    return "pink";
}

PixelCues measureCues(const cv::Mat& rgb) {
    cv::Mat hsv, gray, gradX, gradY;
    cv::cvtColor(rgb, hsv, cv::COLOR_RGB2HSV);
    cv::cvtColor(rgb, gray, cv::COLOR_RGB2GRAY);
    cv::Sobel(gray, gradX, CV_16S, 1, 0);
    cv::Sobel(gray, gradY, CV_16S, 0, 1);

    PixelCues cues;
    const int skyRows = std::max(1, rgb.rows * 2 / 5);
    const double total = static_cast<double>(rgb.rows) * rgb.cols;
    const double skyTotal = static_cast<double>(skyRows) * rgb.cols;
    std::map<std::string, double> colours;
    double valueSum = 0, darkPixels = 0;
    for (int y = 0; y < rgb.rows; ++y) {
        const cv::Vec3b* row = hsv.ptr<cv::Vec3b>(y);
        const std::int16_t* gx = gradX.ptr<std::int16_t>(y);
        const std::int16_t* gy = gradY.ptr<std::int16_t>(y);
        for (int x = 0; x < rgb.cols; ++x) {
            const int h = row[x][0], s = row[x][1], v = row[x][2];
            const bool smooth = std::abs(gx[x]) + std::abs(gy[x]) < 48;
            const bool edge = std::abs(gx[x]) + std::abs(gy[x]) > 160;
            valueSum += v;
            (y < skyRows ? cues.topValue : cues.bottomValue) += v;
            if (y < skyRows && smooth) {
                if (h >= 90 && h < 130 && s >= 40 && v >= 100)
                    cues.blueSky += 1;
                else if (s < 35 && v >= 170)
                    cues.paleSky += 1;
            }
            if (h >= 33 && h < 85 && s >= 50 && v >= 40) cues.greenery += 1;
            if (s < 30 && v >= 200) cues.white += 1;
            if (s >= 70 && v >= 70) cues.colourful += 1;
            if (v < 110) {
                darkPixels += 1;
                if (edge) cues.darkEdges += 1;
            }
            if (v < 50) cues.deepDark += 1;
            if (const char* name = colourName(row[x])) colours[name] += 1;
        }
    }
    cues.blueSky /= skyTotal;
    cues.paleSky /= skyTotal;
    cues.greenery /= total;
    cues.white /= total;
    cues.colourful /= total;
    cues.dark = darkPixels / total;
    cues.deepDark /= total;
    cues.meanValue = valueSum / total;
    cues.topValue /= skyTotal;
    cues.bottomValue = rgb.rows > skyRows ? cues.bottomValue / (total - skyTotal) : cues.topValue;
    cues.darkEdges = darkPixels > 0 ? cues.darkEdges / darkPixels : 0;
    for (const auto& [name, count] : colours) {
        if (count / total > cues.dominantShare) {
            cues.dominantShare = count / total;
            cues.dominantColour = name;
        }
    }
    return cues;
}

void addPixelLabels(const PixelCues& cues, std::vector<Classification>& labels) {
    // A page: mostly white, a little dark ink with sharp edges, hardly any colour.
    const bool documentLike =
        cues.white >= 0.55 && cues.dark >= 0.002 && cues.dark <= 0.3 && cues.darkEdges >= 0.15 && cues.colourful < 0.05;
    if (documentLike) {
        const float confidence = clamp01(0.55 + 0.8 * (cues.white - 0.55));
        labels.push_back({"document", confidence});
        labels.push_back({"paper", confidence * 0.9f});
    }
    // White pages and studio backdrops are bright and flat too: pale sky counts only beside
    // blue sky or above a clearly darker ground.
    const bool paleIsSky = !documentLike && (cues.blueSky >= 0.1 || cues.topValue - cues.bottomValue > 40);
    const double paleSky = paleIsSky ? cues.paleSky * 0.5 : 0.0;
    const float sky = clamp01((cues.blueSky + paleSky) * 1.3);
    const float greenery = clamp01(cues.greenery * 1.6);
    if (sky > 0.25f) labels.push_back({"sky", sky});
    if (cues.blueSky * 1.3 > 0.25) labels.push_back({"blue_sky", clamp01(cues.blueSky * 1.3)});
    if (greenery > 0.25f) labels.push_back({"greenery", greenery});
    if (std::max(sky, greenery) > 0.3f) labels.push_back({"outdoor", std::max(sky, greenery) * 0.9f});
    if (cues.meanValue < 80 && cues.deepDark > 0.4) labels.push_back({"night", clamp01((85 - cues.meanValue) / 60)});
    if (!cues.dominantColour.empty()) labels.push_back({cues.dominantColour, clamp01(cues.dominantShare)});
}

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
        classifier->detectMultiScale(gray, boxes, hits, 1.1, minNeighbours, 0, cv::Size(minSide, minSide));
    } catch (const cv::Exception&) {
        return detections;
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const double n = i < hits.size() ? hits[i] : minNeighbours;
        detections.push_back({boxes[i], clamp01(std::min(0.95, n / (n + 4.0)))});
    }
    std::stable_sort(detections.begin(), detections.end(),
                     [](const Detection& a, const Detection& b) { return a.confidence > b.confidence; });
    return detections;
}

bool overlaps(const cv::Rect& a, const cv::Rect& b) {
    const double shared = (a & b).area();
    return shared > 0 && shared / (a.area() + b.area() - shared) >= 0.3;
}

void addDetectionLabels(const std::string& folder, const cv::Mat& rgb, std::vector<Classification>& labels) {
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
    const auto bodies = detect(cascade(folder, "haarcascade_fullbody.xml"), gray, 5);
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
}

} // namespace

SceneTagger::SceneTagger(std::string cascadeFolder) : cascadeFolder_(std::move(cascadeFolder)) {}

std::vector<Classification> SceneTagger::classify(const PixelImage& picture) const {
    std::vector<Classification> labels;
    if (!isWellFormed(picture)) return labels;
    try {
        const cv::Mat detectionSize = opaqueRGB(picture, 800);
        addDetectionLabels(cascadeFolder_, detectionSize, labels);
        cv::Mat small;
        const int longest = std::max(detectionSize.cols, detectionSize.rows);
        if (longest > 400)
            cv::resize(detectionSize, small,
                       cv::Size(std::max(1, detectionSize.cols * 400 / longest),
                                std::max(1, detectionSize.rows * 400 / longest)),
                       0, 0, cv::INTER_AREA);
        else
            small = detectionSize;
        addPixelLabels(measureCues(small), labels);
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
