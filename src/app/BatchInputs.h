#pragma once
// The inputs of a batch: the files named and the pictures found in the folders named, in one
// sorted list that every machine of a sharded run computes alike.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelso::CLI {

struct BatchInput {
    std::string path;     // as listed: the argument, or the argument joined with the path found under it
    std::string relative; // the path under the folder it was found in; a file named alone: its file name
};

// Files named are taken whatever their extension; folders are walked (into subfolders when
// recursive, not following links to folders) for files with an accepted extension, leaving
// out skipFolder (the output folder). A name that is neither, or a folder that cannot be
// read, stays in the list and fails when read. Sorted by path, each path once.
std::vector<BatchInput> listInputs(const std::vector<std::string>& names, bool recursive,
                                   const std::string& skipFolder);

struct Shard {
    std::uint64_t index = 0;
    std::uint64_t count = 1;
};

// "I/N" with 0 <= I < N.
std::optional<Shard> parseShard(std::string_view text);

// The inputs whose position in the list is shard.index modulo shard.count.
std::vector<BatchInput> takeShard(const std::vector<BatchInput>& inputs, Shard shard);

// Sorts the inputs into the order their items start in: the largest files first, so that
// the items still running when the list runs out are small ones and no core idles long at
// the end. Equal sizes, and files whose size cannot be read (as 0), keep their order.
void largestFirst(std::vector<BatchInput>& inputs);

// The seed of one item of a seeded batch: the first SplitMix64 draw from seed XOR the 64-bit
// FNV-1a hash of the item's relative path, so it depends on neither the order nor the machine.
std::uint64_t itemSeed(std::uint64_t seed, std::string_view relative);

} // namespace quelso::CLI
