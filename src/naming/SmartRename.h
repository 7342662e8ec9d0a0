#pragma once
// Offline content naming: up to a few short ASCII keywords for a file name, read from the
// text in a picture (English and Arabic script, transliterated) or, failing that, from
// its visual labels. Stateless apart from the stop-word set, built once.
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/PixelImage.h"
#include "naming/ImageClassifier.h"
#include "naming/TextRecognizer.h"

namespace quelso::SmartRename {

using Keywords = std::vector<std::string>;

// The 34 English words never used as keywords from text.
const std::unordered_set<std::string>& stopwords();

// The lines of the best-scoring language run ("en-US", then "ar-SA"); empty without text.
std::vector<std::string> recognizeText(const PixelImage& picture);
std::vector<std::string> recognizeText(const PixelImage& picture, const TextRecognizer& recognizer);

// True when more than half of the letters and marks are ASCII (or there are none).
bool isMostlyLatin(std::string_view text);

// Lower-cased, keeping only the scalars a-z and 0-9.
std::string sanitize(std::string_view text);

// The most frequent meaningful words of the lines, returned in first-appearance order.
Keywords keywords(const std::vector<std::string>& fromTextLines, int max);

// The same, after turning the joined lines into Latin letters without marks.
Keywords transliteratedKeywords(const std::vector<std::string>& lines, int max);

// Words of the labels above 0.25 confidence, most confident first.
Keywords classify(const PixelImage& picture, int max);
Keywords classify(const PixelImage& picture, int max, const ImageClassifier& classifier);

// From text when it yields keywords, else from labels; empty means no suggestion.
Keywords offlineKeywords(const PixelImage& picture, int max);
Keywords offlineKeywords(const PixelImage& picture, int max, const TextRecognizer& recognizer,
                         const ImageClassifier& classifier);

} // namespace quelso::SmartRename
