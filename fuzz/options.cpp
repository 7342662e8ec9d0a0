// The command line's option reader: any argument list, split at zero bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/CLI.h"
#include "platform/Utf8.h"

using namespace quelso;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CLI::Args args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    // Files named by the input are read as the program would: bounded, never blocking.
    ProcessingSettings settings;
    CLI::applyOptions(args, settings);
    CLI::renameProvider(args);
    for (const std::string& arg : args) {
        if (const auto number = CLI::parseNumber(arg); number && !std::isfinite(*number)) std::abort();
        CLI::parseInteger(arg);
        CLI::parseSeed(arg);
        if (const auto colour = CLI::parseHex(arg); colour && !(colour->r >= 0 && colour->r <= 1)) std::abort();
        // Nothing that reaches a terminal may carry a control character.
        for (const char c : printable(arg))
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
    return 0;
}
