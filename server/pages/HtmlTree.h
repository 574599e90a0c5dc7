#pragma once
// A page parsed by the HTML5 parser (gumbo), the tree released with the object. The text must
// be UTF-8 and outlive the tree: nodes point into it for their source positions. The parse runs
// under a budget of memory and processor time; a page that needs more is left unparsed.

#include "server/pages/GumboArena.h"

#include <gumbo.h>

#include <cstddef>
#include <string_view>

namespace quillo::server {

// The items of a gumbo vector as T pointers, for range-for.
template <typename T>
class GumboItems {
public:
    explicit GumboItems(const GumboVector& vector) : vector_(vector) {}

    class iterator {
    public:
        explicit iterator(void* const* at) : at_(at) {}
        T* operator*() const { return static_cast<T*>(*at_); }
        iterator& operator++()
        {
            ++at_;
            return *this;
        }
        bool operator!=(const iterator& other) const { return at_ != other.at_; }

    private:
        void* const* at_;
    };

    iterator begin() const { return iterator(vector_.data); }
    iterator end() const { return iterator(vector_.data + vector_.length); }
    size_t size() const { return vector_.length; }
    T* operator[](size_t index) const { return static_cast<T*>(vector_.data[index]); }

private:
    const GumboVector& vector_;
};

class HtmlTree {
public:
    explicit HtmlTree(std::string_view html, ParseBudget budget = {});
    HtmlTree(const HtmlTree&) = delete;
    HtmlTree& operator=(const HtmlTree&) = delete;

    // Parsed, or over which budget it went.
    GumboArena::Outcome outcome() const { return arena_.outcome(); }
    bool parsed() const { return output_ != nullptr; }
    // The document node; only when parsed().
    const GumboNode* document() const { return output_->document; }

    // The children of a document, element or template node; empty for the others.
    static GumboItems<GumboNode> children(const GumboNode* node);
    static GumboItems<GumboAttribute> attributes(const GumboNode* node);

private:
    GumboArena arena_; // holds the tree
    GumboOutput* output_;
};

} // namespace quillo::server
