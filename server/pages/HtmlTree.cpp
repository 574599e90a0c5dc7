#include "server/pages/HtmlTree.h"

namespace quillo::server {

namespace {

// Parse errors are not used, and recording them copies the stack of open elements for each:
// a deeply nested page would cost memory by the square of its depth.
const GumboOptions& parseOptions()
{
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        o.max_errors = 0;
        return o;
    }();
    return options;
}

} // namespace

HtmlTree::HtmlTree(std::string_view html)
    : output_(gumbo_parse_with_options(&parseOptions(), html.empty() ? "" : html.data(), html.size()))
{
}

HtmlTree::~HtmlTree()
{
    gumbo_destroy_output(&parseOptions(), output_);
}

GumboItems<GumboNode> HtmlTree::children(const GumboNode* node)
{
    switch (node->type) {
    case GUMBO_NODE_DOCUMENT:
        return GumboItems<GumboNode>(node->v.document.children);
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
        return GumboItems<GumboNode>(node->v.element.children);
    default:
        return GumboItems<GumboNode>(kGumboEmptyVector);
    }
}

GumboItems<GumboAttribute> HtmlTree::attributes(const GumboNode* node)
{
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
        return GumboItems<GumboAttribute>(kGumboEmptyVector);
    return GumboItems<GumboAttribute>(node->v.element.attributes);
}

} // namespace quillo::server
