#pragma once
// Tables of what a format code shows for a value, checked through one renderer.
#include "spreadsheet/numfmt/renderer.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace veltrano::numfmt {

struct Case {
    const char* code;
    double value;
    const char* shown;
};

template <std::size_t N>
void expectShown(const Case (&cases)[N], DateSystem system = DateSystem::Excel1900)
{
    Renderer renderer(system);
    for (const auto& c : cases)
        EXPECT_EQ(renderer.number(renderer.intern(c.code), c.value), c.shown) << "[" << c.code << "] " << c.value;
}

}  // namespace veltrano::numfmt
