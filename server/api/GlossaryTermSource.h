#pragma once
// The terms the engines keep for a pair, read from the glossary store. A Chinese term is one
// term in both scripts: a term kept for Simplified Chinese is found in Traditional text too (and
// a translation kept in one script is written in the script asked for).

#include "server/engines/GlossaryTerms.h"

namespace quillo::server {

class GlossaryStore;

// Reads the store on each call; a store that fails gives no terms (the translation goes on).
GlossaryLookup GlossaryTermSource(const GlossaryStore& store);

} // namespace quillo::server
