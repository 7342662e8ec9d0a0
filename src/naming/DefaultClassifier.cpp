#include "naming/DefaultClassifier.h"

#include <filesystem>
#include <map>
#include <memory>

#include "naming/OnnxClassifier.h"
#include "naming/SceneTagger.h"

namespace quelso {

namespace {

// Loading a network is slow, so each thread keeps the one it loaded until the files
// change. The key is both paths with their sizes and change times.
const OnnxClassifier* installedClassifier() {
    const auto files = configuredClassifierModel();
    if (!files) return nullptr;
    namespace fs = std::filesystem;
    std::string key;
    for (const std::string& path : {files->model, files->labels}) {
        std::error_code error;
        const auto size = fs::file_size(path, error);
        if (error) return nullptr;
        const auto changed = fs::last_write_time(path, error);
        if (error) return nullptr;
        key += path + '\n' + std::to_string(size) + '\n' + std::to_string(changed.time_since_epoch().count()) + '\n';
    }
    thread_local std::string loadedKey;
    thread_local std::unique_ptr<OnnxClassifier> loaded;
    if (key != loadedKey) {
        loaded = OnnxClassifier::load(files->model, files->labels);
        loadedKey = key;
    }
    return loaded.get();
}

class CombinedClassifier final : public ImageClassifier {
public:
    std::vector<Classification> classify(const PixelImage& picture) const override {
        std::vector<Classification> labels;
        if (const OnnxClassifier* model = installedClassifier()) labels = model->classify(picture);
        static const SceneTagger tagger(defaultCascadeFolder());
        SceneTagger::Description scene = tagger.describe(picture);
        for (Classification& label : scene.labels) labels.push_back(std::move(label));
        // The colour only when neither the model nor the tagger names anything else.
        if (!namesSomething(labels) && !scene.colour.identifier.empty()) labels.push_back(std::move(scene.colour));
        return labels;
    }
};

} // namespace

const ImageClassifier& defaultImageClassifier() {
    static const CombinedClassifier classifier;
    return classifier;
}

} // namespace quelso
