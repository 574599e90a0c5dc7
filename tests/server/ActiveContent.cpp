#include "ActiveContent.h"

#include "server/pages/HtmlTree.h"

#include <algorithm>

namespace quillo::server::testing {

namespace {

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isScriptAddress(std::string_view value)
{
    std::string compact;
    for (char c : value) {
        if (static_cast<unsigned char>(c) > ' ') // browsers skip blanks and controls in schemes
            compact.push_back(c);
    }
    return lowered(compact).rfind("javascript:", 0) == 0;
}

std::string textOf(const GumboNode* element)
{
    std::string text;
    for (const GumboNode* child : HtmlTree::children(element)) {
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE
            || child->type == GUMBO_NODE_CDATA)
            text += child->v.text.text;
    }
    return text;
}

} // namespace

std::vector<std::string> ActiveContent(std::string_view html)
{
    std::vector<std::string> found;
    const HtmlTree tree(html);
    if (!tree.parsed())
        return {"<beyond the parse budget>"};
    std::vector<const GumboNode*> pending{tree.document()};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE
            && node->type != GUMBO_NODE_DOCUMENT)
            continue;
        if (node->type != GUMBO_NODE_DOCUMENT) {
            const std::string tag = gumbo_normalized_tagname(node->v.element.tag);
            if (node->v.element.tag == GUMBO_TAG_SCRIPT)
                found.push_back("script: " + textOf(node));
            for (const GumboAttribute* attribute : HtmlTree::attributes(node)) {
                const std::string name = lowered(attribute->name);
                const std::string where = tag + " " + name + "=" + attribute->value;
                if (name.rfind("on", 0) == 0)
                    found.push_back("handler: " + where);
                else if (name == "srcdoc")
                    found.push_back("srcdoc: " + where);
                else if (isScriptAddress(attribute->value))
                    found.push_back("address: " + where);
            }
        }
        const auto children = HtmlTree::children(node);
        for (size_t i = children.size(); i-- > 0;)
            pending.push_back(children[i]);
    }
    return found;
}

} // namespace quillo::server::testing
