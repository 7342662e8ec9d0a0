#include "TinyOnnx.h"

#include <cstring>

namespace quelso::tinyonnx {

namespace {

// Protocol buffer wire format, field by field.
struct Message {
    std::string bytes;

    void varint(std::uint64_t value) {
        while (value >= 0x80) {
            bytes += static_cast<char>((value & 0x7F) | 0x80);
            value >>= 7;
        }
        bytes += static_cast<char>(value);
    }
    Message& integer(int field, std::int64_t value) {
        varint(static_cast<std::uint64_t>(field) << 3);
        varint(static_cast<std::uint64_t>(value));
        return *this;
    }
    Message& text(int field, const std::string& value) {
        varint((static_cast<std::uint64_t>(field) << 3) | 2);
        varint(value.size());
        bytes += value;
        return *this;
    }
    Message& message(int field, const Message& value) { return text(field, value.bytes); }
};

Message tensorType(const std::vector<std::int64_t>& dims) {
    Message shape;
    int symbol = 0;
    for (std::int64_t dim : dims) {
        Message d;
        if (dim > 0) d.integer(1, dim);
        else d.text(2, "d" + std::to_string(symbol++));
        shape.message(1, d);
    }
    Message tensor;
    tensor.integer(1, 1).message(2, shape); // FLOAT
    Message type;
    type.message(1, tensor);
    return type;
}

Message valueInfo(const std::string& name, const std::vector<std::int64_t>& dims) {
    Message info;
    info.text(1, name).message(2, tensorType(dims));
    return info;
}

Message floatTensor(const std::string& name, const std::vector<std::int64_t>& dims, const std::vector<float>& values) {
    Message tensor;
    for (std::int64_t dim : dims) tensor.integer(1, dim);
    tensor.integer(2, 1).text(8, name);
    std::string raw(values.size() * sizeof(float), '\0');
    std::memcpy(raw.data(), values.data(), raw.size()); // little-endian, as ONNX stores it
    tensor.text(9, raw);
    return tensor;
}

Message node(const std::string& op, const std::vector<std::string>& inputs, const std::string& output,
             const std::vector<Message>& attributes = {}) {
    Message n;
    for (const auto& input : inputs) n.text(1, input);
    n.text(2, output).text(3, op + "_node").text(4, op);
    for (const auto& attribute : attributes) n.message(5, attribute);
    return n;
}

Message intAttribute(const std::string& name, std::int64_t value) {
    Message a;
    a.text(1, name).integer(3, value).integer(20, 2); // INT
    return a;
}

Message intsAttribute(const std::string& name, const std::vector<std::int64_t>& values) {
    Message a;
    a.text(1, name);
    for (std::int64_t v : values) a.integer(8, v);
    a.integer(20, 7); // INTS
    return a;
}

} // namespace

std::string encode(const ColourModel& model) {
    const auto classes = static_cast<std::int64_t>(model.classWeights.size());
    std::vector<float> weights(static_cast<std::size_t>(3 * classes));
    for (std::int64_t k = 0; k < classes; ++k)
        for (int c = 0; c < 3; ++c) weights[static_cast<std::size_t>(c * classes + k)] = model.classWeights[k][c];
    const std::vector<float> bias(static_cast<std::size_t>(classes), 0.0f);

    Message graph;
    std::string image = "image";
    if (model.channelsLast) {
        graph.message(1, node("Transpose", {"image"}, "planar", {intsAttribute("perm", {0, 3, 1, 2})}));
        image = "planar";
    }
    graph.message(1, node("GlobalAveragePool", {image}, "pooled"));
    graph.message(1, node("Flatten", {"pooled"}, "flat", {intAttribute("axis", 1)}));
    graph.message(1, node("Gemm", {"flat", "weights", "bias"}, model.softmax ? "scores" : "output"));
    if (model.softmax) graph.message(1, node("Softmax", {"scores"}, "output", {intAttribute("axis", 1)}));
    graph.text(2, "colour_classifier");
    graph.message(5, floatTensor("weights", {3, classes}, weights));
    graph.message(5, floatTensor("bias", {classes}, bias));
    if (model.weightsAsInputs) {
        graph.message(11, valueInfo("weights", {3, classes}));
        graph.message(11, valueInfo("bias", {classes}));
    }
    graph.message(11, valueInfo("image", model.inputDims));
    graph.message(12, valueInfo("output", {1, classes}));

    Message opset;
    opset.text(1, "").integer(2, 11);
    Message root;
    root.integer(1, 6).text(2, "quelso-test").message(7, graph).message(8, opset);
    return root.bytes;
}

} // namespace quelso::tinyonnx
