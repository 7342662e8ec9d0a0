#pragma once
// Independent readers of encoded output for the encoder tests: libwebp's own command-line
// decoder, a plain RIFF chunk walk and exiftool.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "TestSupport.h"

namespace quelso::test {

struct Decoded {
    int width = 0;
    int height = 0;
    Bytes rgba;
};

// Decodes WebP bytes with dwebp into straight RGBA.
inline std::optional<Decoded> dwebp(const Bytes& webp)
{
    TempDir dir;
    writeFile(dir.path() / "in.webp", webp);
    if (run({"dwebp", "-quiet", dir.file("in.webp"), "-pam", "-o", dir.file("out.pam")}).exitCode != 0)
        return std::nullopt;
    const Bytes pam = readFile(dir.path() / "out.pam");
    const std::string text(pam.begin(), pam.end());
    const auto end = text.find("ENDHDR\n");
    if (end == std::string::npos)
        return std::nullopt;
    Decoded out;
    const auto field = [&](const std::string& name) {
        const auto at = text.find(name + " ");
        return at < end ? std::stoi(text.substr(at + name.size() + 1)) : 0;
    };
    out.width = field("WIDTH");
    out.height = field("HEIGHT");
    out.rgba.assign(pam.begin() + static_cast<long>(end + 7), pam.end());
    if (field("DEPTH") != 4 || out.rgba.size() != static_cast<std::size_t>(out.width) * out.height * 4)
        return std::nullopt;
    return out;
}

// The chunks of a RIFF WebP file in file order, or empty when the container is malformed.
inline std::vector<std::pair<std::string, Bytes>> riffChunks(const Bytes& webp)
{
    std::vector<std::pair<std::string, Bytes>> chunks;
    if (webp.size() < 12 || std::string(webp.begin(), webp.begin() + 4) != "RIFF" ||
        std::string(webp.begin() + 8, webp.begin() + 12) != "WEBP")
        return {};
    const auto le32 = [&](std::size_t at) {
        return std::size_t{webp[at]} | std::size_t{webp[at + 1]} << 8 |
               std::size_t{webp[at + 2]} << 16 | std::size_t{webp[at + 3]} << 24;
    };
    if (le32(4) + 8 != webp.size())
        return {};
    std::size_t at = 12;
    while (at + 8 <= webp.size()) {
        const std::size_t size = le32(at + 4);
        if (at + 8 + size > webp.size())
            return {};
        chunks.emplace_back(std::string(webp.begin() + static_cast<long>(at), webp.begin() + static_cast<long>(at + 4)),
                            Bytes(webp.begin() + static_cast<long>(at + 8),
                                  webp.begin() + static_cast<long>(at + 8 + size)));
        at += 8 + size + (size & 1);
    }
    return at == webp.size() ? chunks : decltype(chunks){};
}

// Every tag exiftool finds, as "Group:Tag" names (exiftool -a -G1).
inline std::vector<std::string> metadataTags(const Bytes& file, const std::string& extension)
{
    TempDir dir;
    const std::string path = dir.file("file." + extension);
    writeFile(path, file);
    const auto result = run({"exiftool", "-j", "-a", "-G1", path});
    const auto parsed = nlohmann::json::parse(result.out);
    std::vector<std::string> tags;
    for (const auto& [key, value] : parsed.at(0).items())
        tags.push_back(key);
    return tags;
}

} // namespace quelso::test
