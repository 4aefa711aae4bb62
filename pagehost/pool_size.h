#pragma once
// How many pipelines a direction gets when the caller does not say.

#include <cstddef>

namespace veltrano::pagehost {

// Cores one Apertium pipeline keeps busy on a large batch: its fifteen programs work on
// different segments at the same time, and the busiest of them (the bilingual lookup) has about
// a fifth of the work (bench/pipeline_stages.py), so one pipeline fills two cores and can use
// more; a second pipeline on the same cores only adds its start-up, its dictionaries' memory
// and its share of the hand-over.
constexpr std::size_t kCoresPerPipeline = 3;

// The default number of pipelines for usableCores cores: one per kCoresPerPipeline, at least one.
std::size_t defaultPipelines(std::size_t usableCores);

// The cores this process may run on (its affinity mask, as taskset sets it), or the machine's
// count when the mask cannot be read; at least one.
std::size_t usableCores();

}  // namespace veltrano::pagehost
