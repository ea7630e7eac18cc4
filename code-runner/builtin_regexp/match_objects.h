// What Execute hands back: a collection of matches, each with its groups.
// They all share one finished search, so they stay valid whatever is done to
// the RegExp object afterwards, and cost nothing until they are read.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "engine.h"

namespace builtin_regexp {

struct SearchResult {
  std::u16string text;
  std::vector<regex_engine::Match> matches;
};

Microsoft::WRL::ComPtr<IDispatch> makeMatchCollection(std::shared_ptr<const SearchResult> search);

}  // namespace builtin_regexp
