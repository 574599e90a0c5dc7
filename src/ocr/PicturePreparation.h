#pragma once
// Turns a screen picture into what Tesseract's line models read best: dark text on a light
// ground, one grey channel, lines about 40 pixels high, a margin round the text, and black and
// white only where the ground is uneven (a gradient, a photo, a shadow), since Tesseract's own
// global threshold then loses the letters on the darker side.
#include <QImage>

namespace quillo {

struct PreparedPicture {
    QImage grey;            // Format_Grayscale8, dark text on light
    double scale = 1.0;     // how much the picture was enlarged
    bool inverted = false;  // light text on a dark ground was turned round
    bool binarised = false; // the ground was uneven
};

// `vertical`: the text runs in columns, so its size is measured across the columns.
PreparedPicture PreparePicture(const QImage& picture, bool vertical);

// Otsu's threshold of a grey picture: the level that best separates its two populations.
int OtsuThreshold(const QImage& grey);

} // namespace quillo
