#pragma once
// Whole files read as text, for the mode files, vocabulary and package data the host consults.

#include <optional>
#include <string>

namespace veltrano::pagehost {

// The bytes of the file at path; nullopt when it cannot be opened.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace veltrano::pagehost
