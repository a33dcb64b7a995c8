// Runs fuzz inputs given as files (or every file of given directories) without libFuzzer,
// so the corpus also runs in the ordinary builds, sanitized or not.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board_file_run.h"
#include "store_run.h"

// replay [--board-file] FILE_OR_DIR...: the inputs of the store target, or of the board-file one.
int main(int argc, char **argv)
{
    int runs = 0;
    bool boardFile = argc > 1 && std::string(argv[1]) == "--board-file";
    for (int i = boardFile ? 2 : 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto &entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(argv[i]);
        }
        for (const auto &file : files) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (boardFile)
                fuzz::run_board_file(data.data(), data.size());
            else
                fuzz::run_store_sequence(data.data(), data.size());
            ++runs;
        }
    }
    if (boardFile) {
        const fuzz::BoardFileTally &b = fuzz::board_file_tally();
        std::printf("\n%d inputs run, every promise kept: %u malformed, %u refused, %u written, "
                    "%u failed to write\n",
                    runs, b.malformed, b.refused, b.written, b.write_failed);
        return runs > 0 ? 0 : 1;
    }
    const fuzz::RunTally &t = fuzz::run_tally();
    std::printf("\n%d inputs run, every promise kept: %u accepted on Ok, %u written without error, "
                "%u read back the same, %u removed completely\n",
                runs, t.accepted, t.written, t.read_back, t.removal_complete);
    return runs > 0 ? 0 : 1;
}
