#include "pagehost/pool_size.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

TEST(PoolSize, OnePipelinePerThreeUsableCoresAtLeastOne)
{
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 1}, {1, 1}, {2, 1}, {3, 1}, {5, 1}, {6, 2}, {8, 2}, {64, 21},
    };
    for (const auto& [cores, pipelines] : cases)
        EXPECT_EQ(defaultPipelines(cores), pipelines) << cores << " cores";
}

}  // namespace
}  // namespace veltrano::pagehost
