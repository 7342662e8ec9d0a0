#include "app/BatchInputs.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "core/SplitMix64.h"
#include "settings/InputExtensions.h"

namespace quelso::CLI {

namespace {

namespace fs = std::filesystem;

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

void walk(const std::string& name, bool recursive, const std::string& skipFolder, std::vector<BatchInput>& out) {
    const fs::path root(name);
    std::error_code error;
    auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
    if (error) {
        out.push_back({name, root.filename().string()});
        return;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) break;
        const fs::directory_entry& entry = *it;
        std::error_code kind;
        if (entry.is_directory(kind)) {
            if (!recursive || entry.is_symlink(kind) || sameFolder(entry.path(), skipFolder))
                it.disable_recursion_pending();
            continue;
        }
        if (!entry.is_regular_file(kind) || !InputExtensions::accepted(entry.path().filename().string())) continue;
        out.push_back({entry.path().string(), entry.path().lexically_relative(root).string()});
    }
}

} // namespace

std::vector<BatchInput> listInputs(const std::vector<std::string>& names, bool recursive,
                                   const std::string& skipFolder) {
    std::vector<BatchInput> inputs;
    for (const std::string& name : names) {
        std::error_code error;
        if (fs::is_directory(name, error))
            walk(name, recursive, skipFolder, inputs);
        else
            inputs.push_back({name, fs::path(name).filename().string()});
    }
    std::sort(inputs.begin(), inputs.end(), [](const BatchInput& a, const BatchInput& b) { return a.path < b.path; });
    inputs.erase(std::unique(inputs.begin(), inputs.end(),
                             [](const BatchInput& a, const BatchInput& b) { return a.path == b.path; }),
                 inputs.end());
    return inputs;
}

std::optional<Shard> parseShard(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    Shard shard;
    const auto number = [](std::string_view digits, std::uint64_t& target) {
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), target);
        return !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
    };
    if (!number(text.substr(0, slash), shard.index) || !number(text.substr(slash + 1), shard.count))
        return std::nullopt;
    if (shard.count == 0 || shard.index >= shard.count) return std::nullopt;
    return shard;
}

std::vector<BatchInput> takeShard(const std::vector<BatchInput>& inputs, Shard shard) {
    std::vector<BatchInput> taken;
    // Stepped with care: a count near the top of the 64-bit range must not wrap round.
    for (std::uint64_t i = shard.index; i < inputs.size(); i += shard.count) {
        taken.push_back(inputs[i]);
        if (inputs.size() - i <= shard.count) break;
    }
    return taken;
}

void largestFirst(std::vector<BatchInput>& inputs) {
    std::vector<std::pair<std::uintmax_t, BatchInput>> sized;
    for (BatchInput& input : inputs) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(input.path, error);
        sized.emplace_back(error ? 0 : size, std::move(input));
    }
    std::stable_sort(sized.begin(), sized.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i] = std::move(sized[i].second);
}

std::uint64_t itemSeed(std::uint64_t seed, std::string_view relative) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : relative) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return SplitMix64(seed ^ hash).next();
}

} // namespace quelso::CLI
