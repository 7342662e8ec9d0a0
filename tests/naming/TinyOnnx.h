#pragma once
// Hand-encoded ONNX models small enough to build inside a test: a classifier over the
// picture's mean colour (GlobalAveragePool -> Flatten -> Gemm -> Softmax).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelso::tinyonnx {

struct ColourModel {
    std::vector<std::array<float, 3>> classWeights; // one row of RGB weights per class
    std::vector<std::int64_t> inputDims{1, 3, 8, 8}; // -1 makes a symbolic dimension
    bool channelsLast = false;     // input NHWC, transposed inside the graph
    bool softmax = true;           // without it the model returns raw scores
    bool weightsAsInputs = false;  // list the weights among the graph inputs, as old exporters did
};

std::string encode(const ColourModel& model);

} // namespace quelso::tinyonnx
