#pragma once
// How large text recognition lets a picture be at each step. Apart from the preparation
// itself, so that the naming entry points can say how closely they look without OpenCV.
namespace quelso {

struct RecognitionLimits {
    int sourceSide = 3200;            // the picture is read reduced to at most this side
    int analysedSide = 1600;          // light and layout are measured at most this large
    double letterHeight = 20.0;       // a page's median letter is scaled to this many pixels
    double pagePixels = 9'000'000.0;  // a prepared page holds at most this many pixels
    double photoPixels = 2'500'000.0; // and any other picture at most this many
};

} // namespace quelso
