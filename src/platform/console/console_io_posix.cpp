#include "platform/console/console_io.h"

namespace kelodi {

std::vector<std::string> utf8Arguments(int argc, char* argv[])
{
    return std::vector<std::string>(argv, argv + argc);
}

void useBinaryStandardStreams() {}

bool writeText(std::FILE* stream, std::string_view utf8)
{
    return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size() && std::fflush(stream) == 0;
}

}  // namespace kelodi
