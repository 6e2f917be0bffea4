// Replays a fuzz target's corpus as an ordinary test: every file named on the
// command line, or found in a folder named there, goes once through
// LLVMFuzzerTestOneInput. Sanitizers report what the input breaks.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "Can't read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    ok = replay(entry.path()) && ok;
                    ++files;
                }
            }
        } else {
            ok = replay(path) && ok;
            ++files;
        }
    }
    std::printf("replayed %d inputs\n", files);
    if (files == 0) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    return ok ? 0 : 1;
}
