// The optional ONNX classifier, on models encoded by hand in the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "NamingPictures.h"
#include "TestSupport.h"
#include "TinyOnnx.h"
#include "naming/DefaultClassifier.h"
#include "naming/OnnxClassifier.h"
#include "naming/OnnxModelInfo.h"
#include "naming/SmartRename.h"

namespace quelso {
namespace {

const std::string labelText = "n07742313 Red Apple, Granny Smith\ngreen field\nn09428293 blue ocean\n\n";

tinyonnx::ColourModel colourModel() {
    tinyonnx::ColourModel model;
    model.classWeights = {{{4, 0, 0}}, {{0, 4, 0}}, {{0, 0, 4}}};
    return model;
}

// Sets environment variables for one test and restores them after it.
class Environment {
public:
    void set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    void unset(const char* name) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::unsetenv(name);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) ::setenv(it->first, it->second->c_str(), 1);
            else ::unsetenv(it->first);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

std::unique_ptr<OnnxClassifier> loadModel(const test::TempDir& folder, const tinyonnx::ColourModel& model,
                                          const std::string& labels = labelText) {
    test::writeFile(folder.path() / "model.onnx", tinyonnx::encode(model));
    test::writeFile(folder.path() / "labels.txt", labels);
    return OnnxClassifier::load(folder.file("model.onnx"), folder.file("labels.txt"));
}

TEST(OnnxClassifier, ClassifiesByMeanColour) {
    const test::TempDir folder;
    const auto classifier = loadModel(folder, colourModel());
    ASSERT_TRUE(classifier);
    EXPECT_EQ(classifier->labels().size(), 3u); // the blank last line is no label

    const auto red = classifier->classify(pictures::solid(40, 30, 230, 20, 20));
    ASSERT_EQ(red.size(), 3u);
    EXPECT_EQ(red[0].identifier, "red_apple");
    EXPECT_GT(red[0].confidence, 0.99f);
    EXPECT_GT(red[0].confidence, red[1].confidence);
    EXPECT_GE(red[1].confidence, red[2].confidence);
    float total = 0;
    for (const auto& label : red) total += label.confidence;
    EXPECT_NEAR(total, 1.0f, 1e-4);

    EXPECT_EQ(classifier->classify(pictures::solid(500, 20, 10, 20, 240))[0].identifier, "blue_ocean");
    // Transparent pixels count as white, so a see-through green square still reads green.
    EXPECT_EQ(classifier->classify(pictures::solid(16, 16, 0, 255, 0, 128))[0].identifier, "green_field");
}

TEST(OnnxClassifier, InputLayoutsAndRawScores) {
    for (const auto& dims : std::vector<std::vector<std::int64_t>>{{1, 3, -1, -1}, {1, 3, 5, 7}, {-1, 3, 224, 224}}) {
        const test::TempDir folder;
        auto model = colourModel();
        model.inputDims = dims;
        model.softmax = dims[2] != 5;
        const auto classifier = loadModel(folder, model);
        ASSERT_TRUE(classifier) << dims[2];
        const auto labels = classifier->classify(pictures::solid(64, 48, 20, 230, 20));
        ASSERT_FALSE(labels.empty());
        EXPECT_EQ(labels[0].identifier, "green_field");
        EXPECT_GT(labels[0].confidence, 0.99f); // raw scores go through softmax too
    }
    const test::TempDir folder;
    auto model = colourModel();
    model.channelsLast = true;
    model.inputDims = {1, 6, 6, 3};
    model.weightsAsInputs = true;
    EXPECT_EQ(OnnxModelInfo::inputShape(tinyonnx::encode(model)), (std::vector<std::int64_t>{1, 6, 6, 3}));
    const auto classifier = loadModel(folder, model);
    ASSERT_TRUE(classifier);
    EXPECT_EQ(classifier->classify(pictures::solid(30, 30, 250, 10, 10))[0].identifier, "red_apple");
}

TEST(OnnxClassifier, BadFilesGiveNoClassifierOrNoLabels) {
    const test::TempDir folder;
    const auto mismatched = loadModel(folder, colourModel(), "only one label\n");
    ASSERT_TRUE(mismatched);
    EXPECT_TRUE(mismatched->classify(pictures::solid(8, 8, 1, 2, 3)).empty());
    EXPECT_FALSE(loadModel(folder, colourModel(), "\n\n"));
    test::writeFile(folder.path() / "model.onnx", std::string("definitely not protobuf"));
    EXPECT_FALSE(OnnxClassifier::load(folder.file("model.onnx"), folder.file("labels.txt")));
    EXPECT_FALSE(OnnxClassifier::load(folder.file("missing.onnx"), folder.file("labels.txt")));
    const auto truncated = tinyonnx::encode(colourModel());
    test::writeFile(folder.path() / "model.onnx", truncated.substr(0, truncated.size() / 2));
    EXPECT_FALSE(OnnxClassifier::load(folder.file("model.onnx"), folder.file("labels.txt")));
}

TEST(OnnxClassifier, LabelIdentifiers) {
    EXPECT_EQ(OnnxClassifier::labelIdentifier("n02099601 golden retriever"), "golden_retriever");
    EXPECT_EQ(OnnxClassifier::labelIdentifier("  Tabby, tabby cat\r"), "tabby");
    EXPECT_EQ(OnnxClassifier::labelIdentifier("T-shirt / top"), "t_shirt_top");
    EXPECT_EQ(OnnxClassifier::labelIdentifier("n0209960 short id"), "n0209960_short_id");
    EXPECT_EQ(OnnxClassifier::labelIdentifier("---"), "");
}

TEST(OnnxClassifier, FoundThroughEnvironmentOrDataFolder) {
    const test::TempDir folder;
    Environment environment;
    environment.unset("QUELSO_CLASSIFIER_LABELS");
    const PixelImage red = pictures::solid(32, 32, 230, 20, 20);

    // Explicit model path; labels beside it, then from their own variable.
    test::writeFile(folder.path() / "colours.onnx", tinyonnx::encode(colourModel()));
    test::writeFile(folder.path() / "labels.txt", labelText);
    environment.set("QUELSO_CLASSIFIER_MODEL", folder.file("colours.onnx"));
    auto files = configuredClassifierModel();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->labels, folder.file("labels.txt"));
    auto words = SmartRename::classify(red, 5);
    EXPECT_NE(std::find(words.begin(), words.end(), "apple"), words.end()) << ::testing::PrintToString(words);

    test::writeFile(folder.path() / "other.txt", std::string("crimson thing\nlime\nnavy\n"));
    environment.set("QUELSO_CLASSIFIER_LABELS", folder.file("other.txt"));
    words = SmartRename::classify(red, 5);
    EXPECT_NE(std::find(words.begin(), words.end(), "crimson"), words.end()) << ::testing::PrintToString(words);

    // The per-user data folder, under XDG_DATA_HOME or HOME.
    environment.unset("QUELSO_CLASSIFIER_MODEL");
    const auto classifierFolder = folder.path() / "data" / "quelso" / "classifier";
    std::filesystem::create_directories(classifierFolder);
    test::writeFile(classifierFolder / "model.onnx", tinyonnx::encode(colourModel()));
    test::writeFile(classifierFolder / "labels.txt", labelText);
    environment.set("XDG_DATA_HOME", (folder.path() / "data").string());
    files = configuredClassifierModel();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->model, (classifierFolder / "model.onnx").string());
    EXPECT_EQ(defaultImageClassifier().classify(red)[0].identifier, "red_apple");

    environment.set("XDG_DATA_HOME", "relative/ignored");
    environment.set("HOME", folder.path().string());
    EXPECT_FALSE(configuredClassifierModel()); // ~/.local/share has no model
    environment.set("QUELSO_CLASSIFIER_MODEL", folder.file("missing.onnx"));
    EXPECT_FALSE(configuredClassifierModel());
}

TEST(OnnxModelInfo, MalformedBytesNeverCrash) {
    const std::string model = tinyonnx::encode(colourModel());
    EXPECT_EQ(OnnxModelInfo::inputShape(model), (std::vector<std::int64_t>{1, 3, 8, 8}));
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = model;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
        if (round % 3 == 0) bytes.resize(random() % bytes.size());
        (void)OnnxModelInfo::inputShape(bytes);
    }
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    (void)OnnxModelInfo::inputShape(noise);
    EXPECT_FALSE(OnnxModelInfo::inputShape(""));
    EXPECT_FALSE(OnnxModelInfo::inputShape(std::string("\x3a\xff\xff\xff\xff\x0f", 6))); // length past the end
}

} // namespace
} // namespace quelso
