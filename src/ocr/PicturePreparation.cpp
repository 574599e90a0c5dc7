#include "ocr/PicturePreparation.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace quillo {

namespace {

constexpr int kLineTarget = 40;    // pixels of a text line the models read best
constexpr double kMaxScale = 4.0;  // beyond this, enlarging only blurs
constexpr int kMargin = 12;        // Tesseract misses letters that touch the edge
constexpr int kBlock = 32;         // the squares the ground is compared in
constexpr int kUnevenGround = 48;  // grey levels between the lightest and darkest ground

QImage toGrey(const QImage& picture)
{
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, picture);
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

std::array<long, 256> histogram(const QImage& grey)
{
    std::array<long, 256> counts{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++counts[row[x]];
    }
    return counts;
}

// Ink profile along one axis: for each row (or column), whether any pixel is darker than
// `threshold`; the lengths of the runs of inked rows are the text lines' heights.
std::vector<int> inkRunLengths(const QImage& grey, int threshold, bool alongColumns)
{
    const int lines = alongColumns ? grey.width() : grey.height();
    const int across = alongColumns ? grey.height() : grey.width();
    std::vector<int> runs;
    int run = 0;
    for (int i = 0; i < lines; ++i) {
        int ink = 0;
        for (int j = 0; j < across; ++j) {
            const int value = alongColumns ? grey.constScanLine(j)[i] : grey.constScanLine(i)[j];
            ink += value < threshold;
        }
        if (ink > 0) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0)
        runs.push_back(run);
    return runs;
}

double scaleFor(const QImage& grey, int threshold, bool vertical)
{
    std::vector<int> runs = inkRunLengths(grey, threshold, vertical);
    // Specks and underlines are not lines of text.
    std::erase_if(runs, [](int length) { return length < 4; });
    if (runs.empty())
        return 1.0;
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    const int lineSize = runs[runs.size() / 2];
    return std::clamp(double(kLineTarget) / lineSize, 1.0, kMaxScale);
}

// The ground of each square is its lightest tenth; the ground is uneven when those differ widely.
bool groundIsUneven(const QImage& grey)
{
    int lightest = 0;
    int darkest = 255;
    for (int top = 0; top < grey.height(); top += kBlock) {
        for (int left = 0; left < grey.width(); left += kBlock) {
            std::array<int, 256> counts{};
            int total = 0;
            for (int y = top; y < std::min(top + kBlock, grey.height()); ++y)
                for (int x = left; x < std::min(left + kBlock, grey.width()); ++x, ++total)
                    ++counts[grey.constScanLine(y)[x]];
            int level = 255;
            for (int seen = 0; level > 0 && (seen += counts[level]) < total / 10;)
                --level;
            lightest = std::max(lightest, level);
            darkest = std::min(darkest, level);
        }
    }
    return lightest - darkest > kUnevenGround;
}

// Bradley's local threshold: a pixel is ink when it is clearly darker than the mean of the
// square around it, the square about two lines wide.
QImage binariseLocally(const QImage& grey)
{
    const int width = grey.width();
    const int height = grey.height();
    std::vector<long long> integral(size_t(width + 1) * (height + 1), 0);
    auto at = [&](int x, int y) -> long long& { return integral[size_t(y) * (width + 1) + x]; };
    for (int y = 0; y < height; ++y) {
        long long rowSum = 0;
        for (int x = 0; x < width; ++x) {
            rowSum += grey.constScanLine(y)[x];
            at(x + 1, y + 1) = at(x + 1, y) + rowSum;
        }
    }
    const int half = kLineTarget;
    QImage binary(grey.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        const int y0 = std::max(0, y - half), y1 = std::min(height, y + half + 1);
        for (int x = 0; x < width; ++x) {
            const int x0 = std::max(0, x - half), x1 = std::min(width, x + half + 1);
            const long long sum = at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
            const long long area = (long long)(x1 - x0) * (y1 - y0);
            const bool ink = grey.constScanLine(y)[x] * area * 100 < sum * 85;
            binary.scanLine(y)[x] = ink ? 0 : 255;
        }
    }
    return binary;
}

// The margin takes the ground's own shade: a white frame round a grey ground is an edge that
// Tesseract's page layout takes for a picture and reads around.
QImage withMargin(const QImage& grey)
{
    const std::array<long, 256> counts = histogram(grey);
    QImage framed(grey.width() + 2 * kMargin, grey.height() + 2 * kMargin, QImage::Format_Grayscale8);
    framed.fill(uint(std::max_element(counts.begin(), counts.end()) - counts.begin()));
    QPainter(&framed).drawImage(kMargin, kMargin, grey);
    return framed;
}

} // namespace

int OtsuThreshold(const QImage& grey)
{
    const std::array<long, 256> counts = histogram(grey);
    double total = 0, sum = 0;
    for (int level = 0; level < 256; ++level) {
        total += counts[level];
        sum += double(level) * counts[level];
    }
    double below = 0, belowSum = 0, bestSpread = -1;
    int best = 128;
    for (int level = 0; level < 256; ++level) {
        below += counts[level];
        belowSum += double(level) * counts[level];
        const double above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double meanBelow = belowSum / below;
        const double meanAbove = (sum - belowSum) / above;
        const double spread = below * above * (meanBelow - meanAbove) * (meanBelow - meanAbove);
        if (spread > bestSpread) {
            bestSpread = spread;
            best = level + 1;
        }
    }
    return best;
}

PreparedPicture PreparePicture(const QImage& picture, bool vertical)
{
    PreparedPicture prepared;
    QImage grey = toGrey(picture);
    if (grey.isNull())
        return prepared;
    int threshold = OtsuThreshold(grey);
    // The ground is whatever most of the picture is.
    const std::array<long, 256> counts = histogram(grey);
    long dark = 0;
    for (int level = 0; level < threshold; ++level)
        dark += counts[level];
    if (dark * 2 > long(grey.width()) * grey.height()) {
        grey.invertPixels();
        threshold = 256 - threshold;
        prepared.inverted = true;
    }
    prepared.scale = scaleFor(grey, threshold, vertical);
    if (prepared.scale > 1.0)
        grey = grey.scaled(std::lround(grey.width() * prepared.scale), std::lround(grey.height() * prepared.scale),
                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    prepared.binarised = groundIsUneven(grey);
    if (prepared.binarised)
        grey = binariseLocally(grey);
    prepared.grey = withMargin(grey);
    return prepared;
}

} // namespace quillo
