#include "pagehost/pool_size.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace veltrano::pagehost {

std::size_t defaultPipelines(std::size_t usableCores)
{
    return std::max<std::size_t>(1, usableCores / kCoresPerPipeline);
}

std::size_t usableCores()
{
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof(mask), &mask) == 0)
        return std::max(1, CPU_COUNT(&mask));
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace veltrano::pagehost
