#include "pagehost/file_text.h"

#include <fstream>
#include <sstream>

namespace veltrano::pagehost {

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace veltrano::pagehost
