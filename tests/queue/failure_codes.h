// Every failure code that xldl/task_layout.h defines, read from the header
// itself, so a code added there is checked without touching the tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ld::testing {

// (name, value) of each XLDL_FAIL_* definition, in the header's order.
inline std::vector<std::pair<std::string, std::int32_t>> engineFailureCodes() {
    std::ifstream header(XLDL_TASK_LAYOUT_HEADER);
    std::stringstream text;
    text << header.rdbuf();
    const std::string content = text.str();
    const std::regex definition(R"(#define\s+(XLDL_FAIL_\w+)\s+(-?\d+))");
    std::vector<std::pair<std::string, std::int32_t>> codes;
    for (auto it = std::sregex_iterator(content.begin(), content.end(), definition);
         it != std::sregex_iterator(); ++it) {
        codes.emplace_back((*it)[1].str(), std::stoi((*it)[2].str()));
    }
    return codes;
}

}  // namespace ld::testing
