#pragma once
// A look at a page's markup before the HTML5 parser sees it, in one pass over its bytes: how
// deeply its elements nest and how many attributes one tag carries. Both drive the parser's
// work beyond the page's size (it searches the open elements for every tag, and compares every
// attribute of a tag with those before it). The nesting is followed the way the parser closes
// elements, in short: void elements, raw text, end tags that close what they enclose, and the
// elements a sibling closes (p, li, dd, dt, option, table rows and cells, headings, ruby text),
// so ordinary pages measure about as deep as the tree the parser builds. The look stops at the
// first limit passed, so it takes the same time whatever the page holds.

#include <cstddef>
#include <string_view>

namespace quillo::server {

struct HtmlShapeLimits {
    // Browsers stop nesting elements at 512 levels (deeper ones become siblings), so a deeper
    // page does not show as written anyway.
    size_t maxDepth = 512;
    size_t maxAttributes = 1000; // on one tag; real pages stay below a hundred
};

struct HtmlShape {
    enum class Verdict { Fits, TooDeep, TooManyAttributes };
    Verdict verdict = Verdict::Fits;
    size_t depth = 0;      // deepest nesting seen (up to the first limit passed)
    size_t attributes = 0; // most attributes on one tag seen
};

HtmlShape MeasureHtmlShape(std::string_view html, const HtmlShapeLimits& limits);

} // namespace quillo::server
