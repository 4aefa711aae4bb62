#pragma once
// How many pipelines a direction gets when the caller does not say.

#include <cstddef>

namespace veltrano::pagehost {

// Cores one Apertium pipeline keeps busy on a large batch: its dozen programs work on different
// segments at the same time (measured: about 1.9 cores of CPU per second of wall time on the
// varied-text bench), so a second pipeline on the same cores only adds its start-up and its
// share of the hand-over.
constexpr std::size_t kCoresPerPipeline = 3;

// The default number of pipelines for usableCores cores: one per kCoresPerPipeline, at least one.
std::size_t defaultPipelines(std::size_t usableCores);

// The cores this process may run on (its affinity mask, as taskset sets it), or the machine's
// count when the mask cannot be read; at least one.
std::size_t usableCores();

}  // namespace veltrano::pagehost
