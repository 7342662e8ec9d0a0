// The optional ONNX classifier, on a model encoded by hand in the test: the picture's mean
// colour through GlobalAveragePool -> Flatten -> Gemm (-> Softmax).
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "NamingPictures.h"
#include "TestSupport.h"
#include "naming/DefaultClassifier.h"
#include "naming/OnnxClassifier.h"
#include "naming/OnnxModelInfo.h"
#include "naming/SmartRename.h"

namespace quelso {
namespace {

using Dims = std::vector<std::int64_t>;

// Protocol buffer fields: varints (wire type 0) and length-delimited bytes (wire type 2).
std::string varint(std::uint64_t value) {
    std::string bytes;
    for (; value >= 0x80; value >>= 7) bytes += static_cast<char>((value & 0x7F) | 0x80);
    return bytes + static_cast<char>(value);
}
std::string field(int number, std::int64_t value) {
    return varint(number << 3) + varint(static_cast<std::uint64_t>(value));
}
std::string field(int number, const std::string& bytes) {
    return varint(number << 3 | 2) + varint(bytes.size()) + bytes;
}

std::string valueInfo(const std::string& name, const Dims& dims) {
    std::string shape;
    for (std::size_t i = 0; i < dims.size(); ++i) // a dimension <= 0 is symbolic
        shape += field(1, dims[i] > 0 ? field(1, dims[i]) : field(2, "d" + std::to_string(i)));
    return field(1, name) + field(2, field(1, field(1, std::int64_t{1}) + field(2, shape))); // float tensor
}
std::string node(const std::string& op, const std::vector<std::string>& inputs, const std::string& output,
                 const std::string& attribute = "") {
    std::string bytes;
    for (const auto& input : inputs) bytes += field(1, input);
    return field(1, bytes + field(2, output) + field(4, op) + attribute);
}
std::string intsAttribute(const std::string& name, const Dims& values, bool list) {
    std::string bytes = field(1, name);
    for (std::int64_t value : values) bytes += field(list ? 8 : 3, value);
    return field(5, bytes + field(20, std::int64_t{list ? 7 : 2}));
}
std::string initializer(const std::string& name, const Dims& dims, const std::vector<float>& values) {
    std::string bytes, raw(values.size() * sizeof(float), '\0');
    std::memcpy(raw.data(), values.data(), raw.size()); // little-endian, as ONNX stores it
    for (std::int64_t dim : dims) bytes += field(1, dim);
    return field(5, bytes + field(2, std::int64_t{1}) + field(8, name) + field(9, raw));
}

struct ColourModel {
    Dims inputDims{1, 3, 8, 8};
    bool softmax = true;          // without it the model gives raw scores
    bool channelsLast = false;    // NHWC input, transposed inside the graph
    bool weightsAsInputs = false; // weights listed among the graph inputs, as old exporters did
};

// Three classes scoring 4 × red, 4 × green and 4 × blue.
std::string encode(const ColourModel& model) {
    const std::string image = model.channelsLast ? "planar" : "image";
    std::string graph;
    if (model.channelsLast) graph = node("Transpose", {"image"}, "planar", intsAttribute("perm", {0, 3, 1, 2}, true));
    graph += node("GlobalAveragePool", {image}, "pooled") +
             node("Flatten", {"pooled"}, "flat", intsAttribute("axis", {1}, false)) +
             node("Gemm", {"flat", "weights", "bias"}, model.softmax ? "scores" : "output");
    if (model.softmax) graph += node("Softmax", {"scores"}, "output", intsAttribute("axis", {1}, false));
    graph += initializer("weights", {3, 3}, {4, 0, 0, 0, 4, 0, 0, 0, 4}) + initializer("bias", {3}, {0, 0, 0});
    if (model.weightsAsInputs) graph += field(11, valueInfo("weights", {3, 3})) + field(11, valueInfo("bias", {3}));
    graph += field(11, valueInfo("image", model.inputDims)) + field(12, valueInfo("output", {1, 3}));
    return field(1, std::int64_t{6}) + field(7, graph) + field(8, field(2, std::int64_t{11}));
}

const std::string labelText = "n07742313 Red Apple, Granny Smith\ngreen field\nn09428293 blue ocean\n\n";

std::unique_ptr<OnnxClassifier> loadModel(const test::TempDir& folder, const std::string& model,
                                          const std::string& labels = labelText) {
    test::writeFile(folder.path() / "model.onnx", model);
    test::writeFile(folder.path() / "labels.txt", labels);
    return OnnxClassifier::load(folder.file("model.onnx"), folder.file("labels.txt"));
}

TEST(OnnxClassifier, ClassifiesByMeanColourInEveryInputLayout) {
    struct Case {
        ColourModel model;
        PixelImage picture;
        std::string top;
    };
    const std::vector<Case> cases{
        {{}, pictures::solid(40, 30, 230, 20, 20), "red_apple"},
        {{}, pictures::solid(500, 20, 10, 20, 240), "blue_ocean"},
        {{{1, 3, -1, -1}}, pictures::solid(64, 48, 20, 230, 20), "green_field"},
        {{{1, 3, 5, 7}, false}, pictures::solid(64, 48, 20, 230, 20), "green_field"}, // raw scores
        {{{-1, 3, 224, 224}}, pictures::solid(64, 48, 20, 230, 20), "green_field"},
        {{{1, 6, 6, 3}, true, true, true}, pictures::solid(30, 30, 250, 10, 10), "red_apple"},
    };
    for (const Case& c : cases) {
        const test::TempDir folder;
        const auto classifier = loadModel(folder, encode(c.model));
        ASSERT_TRUE(classifier) << c.top;
        EXPECT_EQ(classifier->labels().size(), 3u); // the blank last line is no label
        const auto labels = classifier->classify(c.picture);
        ASSERT_EQ(labels.size(), 3u) << c.top;
        EXPECT_EQ(labels[0].identifier, c.top);
        EXPECT_GT(labels[0].confidence, 0.99f) << c.top;
        EXPECT_NEAR(labels[0].confidence + labels[1].confidence + labels[2].confidence, 1.0f, 1e-4);
        EXPECT_GE(labels[1].confidence, labels[2].confidence);
    }
}

TEST(OnnxClassifier, BadFilesGiveNoClassifierOrNoLabels) {
    const test::TempDir folder;
    const std::string model = encode({});
    const auto mismatched = loadModel(folder, model, "only one label\n");
    ASSERT_TRUE(mismatched);
    EXPECT_TRUE(mismatched->classify(pictures::solid(8, 8, 1, 2, 3)).empty());
    EXPECT_FALSE(loadModel(folder, model, "\n\n"));
    EXPECT_FALSE(loadModel(folder, "definitely not protobuf"));
    EXPECT_FALSE(loadModel(folder, model.substr(0, model.size() / 2)));
    EXPECT_FALSE(OnnxClassifier::load(folder.file("missing.onnx"), folder.file("labels.txt")));
    // Shape reading walks untrusted bytes: damaged copies never read out of bounds.
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = model;
        for (int i = 0; i < 1 + round % 8; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
        static_cast<void>(OnnxModelInfo::inputShape(round % 3 ? bytes : bytes.substr(0, random() % bytes.size())));
    }
    EXPECT_FALSE(OnnxModelInfo::inputShape(std::string("\x3a\xff\xff\xff\xff\x0f", 6))); // length past the end
}

TEST(OnnxClassifier, FoundThroughEnvironmentOrDataFolder) {
    const test::TempDir folder;
    const auto classifierFolder = folder.path() / "data" / "quelso" / "classifier";
    std::filesystem::create_directories(classifierFolder);
    for (const auto& dir : {folder.path(), classifierFolder}) {
        test::writeFile(dir / "model.onnx", encode({}));
        test::writeFile(dir / "labels.txt", labelText);
    }
    test::writeFile(folder.path() / "other.txt", std::string("crimson thing\nlime\nnavy\n"));
    const PixelImage red = pictures::solid(32, 32, 230, 20, 20);
    // The tagger's colour word comes only when nothing else names the picture.
    const auto words = [&] { return SmartRename::classify(red, 5); };
    const auto home = test::env("HOME"), dataHome = test::env("XDG_DATA_HOME");

    ::unsetenv("QUELSO_CLASSIFIER_LABELS");
    ::setenv("QUELSO_CLASSIFIER_MODEL", folder.file("model.onnx").c_str(), 1);
    EXPECT_EQ(words(), (SmartRename::Keywords{"red", "apple"})); // labels beside the model
    ::setenv("QUELSO_CLASSIFIER_LABELS", folder.file("other.txt").c_str(), 1);
    EXPECT_EQ(words(), (SmartRename::Keywords{"crimson", "thing"}));
    ::unsetenv("QUELSO_CLASSIFIER_MODEL");
    ::setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
    EXPECT_EQ(defaultImageClassifier().classify(red).at(0).identifier, "red_apple");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", folder.path().c_str(), 1);
    EXPECT_FALSE(configuredClassifierModel()); // ~/.local/share has no model
    ::setenv("QUELSO_CLASSIFIER_MODEL", folder.file("missing.onnx").c_str(), 1);
    EXPECT_FALSE(configuredClassifierModel());

    ::unsetenv("QUELSO_CLASSIFIER_MODEL");
    ::unsetenv("QUELSO_CLASSIFIER_LABELS");
    ::setenv("HOME", home.value_or("").c_str(), 1);
    dataHome ? ::setenv("XDG_DATA_HOME", dataHome->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace quelso
