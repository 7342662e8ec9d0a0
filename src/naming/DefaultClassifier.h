#pragma once
// The labeller offline naming uses: the user's ONNX classifier when one is installed,
// followed by the built-in scene tagger.
#include "naming/ImageClassifier.h"

namespace quelso {

const ImageClassifier& defaultImageClassifier();

} // namespace quelso
