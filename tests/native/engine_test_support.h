// Helpers for the regex engine tests: results as one readable line, so a
// table row states everything a search returns and a failure shows it all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine.h"

namespace engine_test {

// UTF-8, with control characters written as \n \r \t or \xHH.
std::string utf8(std::u16string_view text);

// Flags as letters: "g" global, "i" ignoreCase, "m" multiline.
regex_engine::Options flags(std::string_view letters);

// Each match as `index[text]` followed by ` index(text)` per group, or ` -`
// for a group that took no part; matches separated by " | ".
std::string render(const std::vector<regex_engine::Match>& matches, std::u16string_view text);

// render(execute(...)), or "compile failed".
std::string run(std::u16string_view pattern, std::string_view flagLetters, std::u16string_view text);

}  // namespace engine_test
