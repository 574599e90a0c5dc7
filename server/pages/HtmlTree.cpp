#include "server/pages/HtmlTree.h"

namespace quillo::server {

HtmlTree::HtmlTree(std::string_view html, ParseBudget budget)
    : arena_(budget), output_(arena_.parse(html))
{
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
