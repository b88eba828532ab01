// A fixed record layout written as a table of (name, size) rows, shared by the
// engine's two records.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "text/codepage.h"
#include "text/text.h"

namespace ld::record_layout {

struct FieldLayout {
    std::string_view name;  // UTF-8; the record holds it in code page 936
    int size;
};

template <std::size_t N>
constexpr int totalSize(const std::array<FieldLayout, N>& layout) {
    int total = 0;
    for (const auto& field : layout) {
        total += field.size;
    }
    return total;
}

// The rows' names as Texts, converted once per layout.
template <std::size_t N>
std::array<Text, N> namesOf(const std::array<FieldLayout, N>& layout) {
    std::array<Text, N> converted;
    for (std::size_t i = 0; i < N; ++i) {
        converted[i] = gbk(layout[i].name);
    }
    return converted;
}

}  // namespace ld::record_layout
