#include "app/CLI.h"

namespace quelso::CLI {

const char* const batchUsageText =
    "\n"
    "Mottler batch\n"
    "  --batch <files or folders...> --out-dir <folder> [options of --cli]\n"
    "    --recursive           walk into subfolders too\n"
    "    --jobs <n>            pictures processed at once (default one per core); the\n"
    "                          pipeline's own threads shrink to match\n"
    "    --report <file>       append one JSON line per input as it ends: input, output,\n"
    "                          status, message, seed, width, height, bytes, percentChanged,\n"
    "                          watermarkEmbedded, watermarkRead, ssim, hashDistance,\n"
    "                          milliseconds\n"
    "    --resume <file>       skip the inputs that this report shows done\n"
    "    --shard <i>/<n>       take only the inputs at positions i, i+n, i+2n, ... of the\n"
    "                          sorted input list (0 <= i < n), one shard per machine\n"
    "    --seed <n>            each picture's seed: the first SplitMix64 draw from n XOR the\n"
    "                          64-bit FNV-1a hash of its path under the folder named (a file\n"
    "                          named alone: its file name); without it, a fresh seed each\n"
    "  Folders give their .webp .png .jpg .jpeg .heic .heif .tiff .tif .gif .bmp files; files\n"
    "  named are taken as they are. Outputs are named as by --cli (from the content, or with\n"
    "  --no-rename <name>-unique), with -2, -3, ... added so no file is ever replaced. ssim\n"
    "  is the copy's structural similarity to its source over luma (1: the same), and\n"
    "  hashDistance the bits (0 to 64) in which their 64-bit DCT perceptual hashes differ.\n"
    "  Progress is shown on standard error when it is a terminal, then a summary line.\n"
    "  Ctrl+C stops after the pictures in hand; a second one stops at once. Either way no\n"
    "  partial file is left, and --resume goes on from the report.\n"
    "  Exit status: 0 when every picture was done, 1 when any failed, 2 on a usage error,\n"
    "  130 when interrupted.\n";

} // namespace quelso::CLI
